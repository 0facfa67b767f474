// What a 32-bit Windows DLL asks of its loader, read and checked from the
// file's bytes alone: where its sections go and with which protection, which
// words the load address must be added to, which functions of which DLLs
// fill which import slots, and where its entry point and export ordinal 10
// are. Reading the plan maps nothing and calls nothing, so it runs (and is
// fuzzed) on any host; only a 32-bit x86 host can carry it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace host::pe {

struct Section {
    std::string name;         // at most 8 characters, as written
    uint32_t rva = 0;         // relative to the load address
    uint32_t size = 0;        // bytes in memory
    uint32_t fileOffset = 0;  // where its data starts in the file
    uint32_t fileSize = 0;    // bytes copied from the file; the rest is zero
    bool read = false, write = false, execute = false;
};

struct ImportSlot {
    uint32_t iatRva = 0;   // the 32-bit word the function's address goes to
    uint32_t ordinal = 0;  // nonzero for an import by ordinal
    std::string_view name; // otherwise the function's name, in the file's bytes
};

struct ImportLibrary {
    std::string dll;
    std::vector<ImportSlot> slots;
};

struct LoadPlan {
    uint32_t imageBase = 0;    // the address the file was linked for
    uint32_t imageSize = 0;
    uint32_t headerSize = 0;   // headers are mapped too, read-only
    uint32_t entryRva = 0;     // DllMain, or 0 when there is none
    uint32_t exportRva = 0;    // export ordinal 10
    bool relocatable = false;  // has a base relocation table, so it may be mapped anywhere
    std::vector<Section> sections;
    std::vector<uint32_t> relocations; // RVAs of the words the load delta is added to
    std::vector<ImportLibrary> imports;
};

// The export ordinal of the module's cnt1entd.
inline constexpr uint32_t moduleExportOrdinal = 10;
// The largest image the loader maps, and the largest file it reads.
inline constexpr uint32_t maxImageSize = 64u << 20;

// What reading one plan may cost at most, whatever the file holds: import
// descriptors, import slots and the bytes of import names over all of them,
// and base relocations. ZRX.dll needs a small fraction of each.
inline constexpr uint32_t maxImportLibraries = 256;
inline constexpr uint32_t maxImportSlots = 16384;
inline constexpr uint32_t maxImportNameBytes = 1u << 20;
inline constexpr uint32_t maxRelocations = 1u << 20;

// Reads and checks every header and table. False with one line saying what
// is wrong (without the file's name) when the file is not a 32-bit i386 DLL
// the loader can map. The import names of the plan are views into `file`,
// which must outlive the plan.
bool readLoadPlan(std::span<const uint8_t> file, LoadPlan& plan, std::string& error);

// Whether the file starts as a DOS/PE image does ("MZ").
bool looksLikePe(std::span<const uint8_t> head);

// A name from the file, or a path, fit for a one-line message: bytes outside
// printable ASCII become \xNN, and it is cut at `maxShown` characters.
std::string printable(std::string_view text, size_t maxShown = 64);
// "0x1A2B", for messages.
std::string hex(uint32_t value);

} // namespace host::pe
