// ZRX.dll's bytes for tests that patch them: a minimal walk of the headers
// that finds the fields to change, written apart from the host's loader so
// that the loader is not used to test itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zrxtest {

struct DllSection {
    std::string name;
    uint32_t rva = 0, virtualSize = 0, rawSize = 0, rawPointer = 0, flags = 0;
    size_t headerOffset = 0; // of its 40-byte section header
};

class DllBytes {
public:
    // Empty when the file cannot be read.
    static DllBytes read(const std::string& path);

    std::vector<uint8_t> bytes;

    bool empty() const { return bytes.empty(); }
    uint16_t u16(size_t at) const;
    uint32_t u32(size_t at) const;
    void put16(size_t at, uint16_t value);
    void put32(size_t at, uint32_t value);

    size_t peOffset() const { return u32(0x3C); }
    size_t machineOffset() const { return peOffset() + 4; }
    size_t optionalHeader() const { return peOffset() + 24; }
    uint32_t imageSize() const { return u32(optionalHeader() + 56); }
    uint32_t entryPoint() const { return u32(optionalHeader() + 16); }
    uint32_t directoryRva(int index) const { return u32(optionalHeader() + 96 + 8 * index); }
    size_t directoryEntry(int index) const { return optionalHeader() + 96 + 8 * index; }
    size_t characteristicsOffset() const { return peOffset() + 22; }
    uint32_t imageBase() const { return u32(optionalHeader() + 28); }
    uint32_t exportRva(uint32_t ordinal) const; // of the export at `ordinal`
    // The RVA of a symbol of the COFF symbol table the DLL keeps
    // ("_DllMain@12", "__ZN3zrx8enqmlcssEjPNS_10HostObjectE"), or 0.
    uint32_t symbolRva(std::string_view name) const;
    std::vector<DllSection> sections() const;
    DllSection section(std::string_view name) const;
    size_t fileOffset(uint32_t rva) const;
    // The file offset of the first occurrence of `text`, NUL included.
    size_t find(std::string_view text) const;
    // The file offset of the import lookup table of `dll`.
    size_t importLookupTable(std::string_view dll) const;

    // Appends a section holding `data` after the last one (its header goes
    // into the room the headers have left); returns its RVA.
    uint32_t addSection(const std::string& name, const std::vector<uint8_t>& data, uint32_t flags);
    // Writes `code` over the start of the function at `rva`.
    void patchCode(uint32_t rva, const std::vector<uint8_t>& code);

    // Writes the bytes to a file in the test's temporary folder.
    std::string write(const std::string& name) const;
};

} // namespace zrxtest
