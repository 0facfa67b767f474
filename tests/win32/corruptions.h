// A corpus of corruptions of ZRX.dll, of 134 kinds: header fields, section
// headers, the export, import, relocation and other directories, and the
// code of DllMain, cnt1entd and the entries. Each is the real DLL with a
// few bytes patched, made afresh from the DLL that was built.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dll_bytes.h"

namespace zrxtest {

struct Corruption {
    std::string kind; // "headers", "sections", "directories" or "code"
    std::string name;
    std::function<void(DllBytes&)> apply;
};

std::vector<Corruption> corruptions(const DllBytes& dll);

} // namespace zrxtest
