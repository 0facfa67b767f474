// Libraries of the program's own that only some commands need, loaded when
// one runs: lib/NAME beside the program's folder, as the module is found.
// Whatever they link (HTTP and TLS, the terminal library) is then mapped,
// relocated and initialised only by the commands that use it.
#pragma once

#include <string>

namespace cli {

// lib/NAME in the folder beside the program's own.
std::string programLibraryFile(const std::string& name);

// Opens the library as the host opens the module: the file checked against
// its headers first, since the dynamic loader would end the process on a
// cut one. Null with one line saying why. A library opened is never closed:
// its threads and thread-local storage may outlive any caller.
void* openProgramLibrary(const std::string& path, std::string& error);

// The version of mentrenq the library says it was built with, from its
// exported function `symbol`; false with one line when it has none or
// another than the program's.
bool sameVersion(void* library, const char* symbol, const char* program, std::string& error);

} // namespace cli
