// `mentrenq serve` lives in a library of its own beside the module
// (lib/mentrenq-serve.so), loaded only when the command runs: HTTP and the
// TLS and compression libraries it brings would otherwise be mapped,
// relocated and initialised by every run of every command.
//
// The program and the library meet at one C function, so that neither
// relies on the other's C++ layouts, and nothing thrown crosses between them.
#pragma once

#include <cstddef>
#include <string>

#include "cli/arguments.h"

extern "C" {

// The options as the command line gave them, in order; a flag's value is "".
struct MentrenqServeCall {
    std::size_t optionCount;
    const char* const* names;
    const char* const* values;
};

// The version of mentrenq the library was built with ("1.0.0").
using MentrenqServeVersion = const char* (*)();
// Runs the command; returns its exit status.
using MentrenqServeEntry = int (*)(const MentrenqServeCall* call);
}

namespace cli {

inline constexpr const char* serveVersionSymbol = "mentrenq_serve_version";
inline constexpr const char* serveEntrySymbol = "mentrenq_serve_v1";

// The library's path: lib/mentrenq-serve.so (program_library.h).
std::string serveLibraryFile();

// Loads the library and runs the command there. A library that is missing,
// damaged, of another version or without the entry gives one line and the
// usage status (2).
int serveFromLibrary(const Arguments& args);

} // namespace cli
