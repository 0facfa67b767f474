// The parts of a 32-bit PE DLL that the Windows module's tests look at, read
// from the text that the cross objdump prints for it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zrxtest {

struct PeExport {
    uint32_t ordinal = 0;
    std::string name; // empty for an export by ordinal only
    bool operator==(const PeExport&) const = default;
};

struct PeImport {
    std::optional<uint32_t> ordinal; // set for an import by ordinal
    std::string name;                // set for an import by name
    uint32_t iatAddress = 0;         // where the loader stores its address
};

struct PeTables {
    std::string format;   // "pei-i386" for a 32-bit DLL
    std::string magic;    // "010b" for PE32
    uint32_t imageBase = 0;
    uint32_t entryPoint = 0; // relative to the image base
    uint32_t ordinalBase = 0;
    std::vector<PeExport> exports;
    std::map<std::string, std::vector<PeImport>> imports; // by DLL name as written
};

// Parses the output of `objdump -p`.
PeTables parsePeTables(const std::string& objdumpText);

// Standard output of a command, or nullopt when it cannot be run or fails.
std::optional<std::string> commandOutput(const std::string& command);

// The lines of `objdump -d` for one function, from its label to the next.
std::vector<std::string> disassemblyOf(const std::string& disassembly, const std::string& symbol);

// The address of a function's label in `objdump -d`, or 0.
uint32_t labelAddress(const std::string& disassembly, const std::string& symbol);

} // namespace zrxtest
