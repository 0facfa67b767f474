// The module file as the host finds it: which loader its first bytes call
// for, and its whole contents for the PE loader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host::pe {

enum class ModuleFileKind {
    NotFound,   // no such file here: the dynamic loader may still find it
    NotRegular, // a directory, device or pipe
    Elf,        // for dlopen
    Pe,         // "MZ": for the PE loader
    Other,      // readable, but neither
};

ModuleFileKind moduleFileKind(const std::string& path);

// The whole file, which must be a regular file of at most 64 MiB. False
// with one line saying why not.
bool readModuleFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

} // namespace host::pe
