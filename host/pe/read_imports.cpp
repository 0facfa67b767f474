// The import directory: one descriptor per DLL, ended by an empty one; each
// names its DLL and lists its functions (by ordinal, or by hint and name) in
// a lookup table, parallel to the address table the loader fills.
#include "pe/pe_format.h"
#include "pe/plan_steps.h"

namespace host::pe {

namespace {

constexpr uint32_t maxLibraries = 256;
constexpr uint32_t maxSlotsPerLibrary = 65536;

bool readSlot(const FileImage& image, uint32_t thunk, const std::string& dll, ImportSlot& slot,
              std::string& error) {
    if (thunk & format::importByOrdinal) {
        slot.ordinal = thunk & 0xFFFF;
        if ((thunk & 0x7FFF0000) != 0 || slot.ordinal == 0) {
            error = "malformed import by ordinal " + hex(thunk) + " from " + dll;
            return false;
        }
        return true;
    }
    // A hint (ignored: the loader looks the name up) and the name.
    if (!image.name(thunk + 2, slot.name) || slot.name.empty()) {
        error = "an import name of " + dll + " (at RVA " + hex(thunk) + ") lies outside the file's data";
        return false;
    }
    return true;
}

bool readLibrary(const FileImage& image, uint32_t descriptor, const LoadPlan& plan, ImportLibrary& lib,
                 std::string& error) {
    uint32_t lookup = 0, nameRva = 0, addresses = 0;
    image.u32(descriptor + format::impLookupTable, lookup);
    image.u32(descriptor + format::impName, nameRva);
    image.u32(descriptor + format::impAddressTable, addresses);
    if (!image.name(nameRva, lib.dll) || lib.dll.empty()) {
        error = "the name of an imported DLL (at RVA " + hex(nameRva) + ") lies outside the file's data";
        return false;
    }
    const std::string dll = printable(lib.dll);
    // Without a lookup table the address table holds the lookup entries.
    const uint32_t table = lookup ? lookup : addresses;
    for (uint32_t i = 0;; ++i) {
        if (i == maxSlotsPerLibrary) {
            error = "the import list of " + dll + " does not end";
            return false;
        }
        uint32_t thunk = 0;
        if (!image.u32(table + 4 * i, thunk)) {
            error = "the import list of " + dll + " runs outside the file's data";
            return false;
        }
        if (thunk == 0) return true;
        ImportSlot slot;
        slot.iatRva = addresses + 4 * i;
        if (addresses == 0 || uint64_t{addresses} + 4ull * i + 4 > plan.imageSize ||
            !image.inSection(slot.iatRva, 4)) {
            error = "an import address slot of " + dll + " (RVA " + hex(slot.iatRva) +
                    ") lies outside the image's sections";
            return false;
        }
        if (!readSlot(image, thunk, dll, slot, error)) return false;
        lib.slots.push_back(std::move(slot));
    }
}

} // namespace

bool readImports(const FileImage& image, const Directory& dir, LoadPlan& plan, std::string& error) {
    for (uint32_t i = 0;; ++i) {
        const uint64_t at = uint64_t{dir.rva} + uint64_t{i} * format::importDescriptorSize;
        uint64_t offset = 0;
        if (at > 0xFFFFFFFF || !image.fileRange(static_cast<uint32_t>(at), format::importDescriptorSize, offset)) {
            error = "the import directory at RVA " + hex(dir.rva) + " runs outside the file's data";
            return false;
        }
        const uint32_t descriptor = static_cast<uint32_t>(at);
        uint32_t nameRva = 0, addresses = 0;
        image.u32(descriptor + format::impName, nameRva);
        image.u32(descriptor + format::impAddressTable, addresses);
        if (nameRva == 0 && addresses == 0) return true;
        if (i == maxLibraries) {
            error = "the import directory does not end within 256 DLLs";
            return false;
        }
        ImportLibrary lib;
        if (!readLibrary(image, descriptor, plan, lib, error)) return false;
        plan.imports.push_back(std::move(lib));
    }
}

} // namespace host::pe
