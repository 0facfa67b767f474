// An ELF shared object checked against the file's size before the dynamic
// loader maps it: the loader maps every segment as the headers describe it,
// and touching a page past the end of the file ends the process with
// SIGBUS, so a cut or doctored file must be refused here.
#pragma once

#include <string>

#include "core/module_file.h"

namespace host {

// True when the file is an ELF shared object for this program's class and
// machine whose program headers and segments all lie within the file. False
// with one line saying what is wrong (without the file's name).
bool checkElfModule(const ModuleFile& file, std::string& error);

} // namespace host
