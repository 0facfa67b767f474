// The import directory: one descriptor per DLL, ended by an empty one; each
// names its DLL and lists its functions (by ordinal, or by hint and name) in
// a lookup table, parallel to the address table the loader fills.
//
// A file may point every descriptor at one huge lookup table, or every entry
// at one long name, so the work is capped over the whole directory: the
// descriptors, the slots and the bytes of the names they point at. Names are
// not copied: each slot views its name in the file's bytes.
#include <algorithm>
#include <utility>
#include <vector>

#include "pe/pe_format.h"
#include "pe/plan_steps.h"

namespace host::pe {

namespace {

// The work of reading one directory so far.
struct Budget {
    uint32_t slots = 0;
    uint64_t nameBytes = 0;

    bool takeName(std::string_view name, std::string& error) {
        nameBytes += name.size() + 1;
        if (nameBytes <= maxImportNameBytes) return true;
        error = "its import names come to more than " + std::to_string(maxImportNameBytes) +
                " bytes; the loader reads at most that many";
        return false;
    }
};

bool readSlot(const FileImage& image, uint32_t thunk, const std::string& dll, ImportSlot& slot, Budget& budget,
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
    const uint64_t at = uint64_t{thunk} + 2;
    const FileImage::Name found =
        at > 0xFFFFFFFF ? FileImage::Name::Outside : image.name(static_cast<uint32_t>(at), slot.name);
    if (found != FileImage::Name::Ok) {
        error = "an import name of " + dll + " (at RVA " + hex(thunk) + ") " + FileImage::describe(found);
        return false;
    }
    return budget.takeName(slot.name, error);
}

bool readLibrary(const FileImage& image, uint32_t descriptor, const LoadPlan& plan, ImportLibrary& lib,
                 Budget& budget, std::string& error) {
    uint32_t lookup = 0, nameRva = 0, addresses = 0;
    image.u32(descriptor + format::impLookupTable, lookup);
    image.u32(descriptor + format::impName, nameRva);
    image.u32(descriptor + format::impAddressTable, addresses);
    std::string_view name;
    const FileImage::Name found = image.name(nameRva, name);
    if (found != FileImage::Name::Ok) {
        error = "the name of an imported DLL (at RVA " + hex(nameRva) + ") " + FileImage::describe(found);
        return false;
    }
    if (!budget.takeName(name, error)) return false;
    lib.dll.assign(name);
    const std::string dll = printable(lib.dll);
    // Without a lookup table the address table holds the lookup entries.
    const uint32_t table = lookup ? lookup : addresses;
    for (uint32_t i = 0;; ++i) {
        uint32_t thunk = 0;
        const uint64_t entry = uint64_t{table} + 4ull * i;
        if (entry > 0xFFFFFFFF || !image.u32(static_cast<uint32_t>(entry), thunk)) {
            error = "the import list of " + dll + " runs outside the file's data";
            return false;
        }
        if (thunk == 0) return true;
        if (++budget.slots > maxImportSlots) {
            error = "it imports more than " + std::to_string(maxImportSlots) +
                    " functions in all; the loader reads at most that many";
            return false;
        }
        ImportSlot slot;
        const uint64_t iat = uint64_t{addresses} + 4ull * i;
        slot.iatRva = static_cast<uint32_t>(iat);
        if (addresses == 0 || iat + 4 > plan.imageSize || !image.inSection(slot.iatRva, 4)) {
            error = "an import address slot of " + dll + " (RVA " + hex(static_cast<uint32_t>(std::min<uint64_t>(iat, 0xFFFFFFFF))) +
                    ") lies outside the image's sections";
            return false;
        }
        if (!readSlot(image, thunk, dll, slot, budget, error)) return false;
        lib.slots.push_back(slot);
    }
}

// Slots that share bytes cannot each hold the address bound for it: the
// module would call through a slot filled for another function.
bool slotsApart(const LoadPlan& plan, std::string& error) {
    std::vector<std::pair<uint32_t, std::size_t>> slots; // RVA, library
    for (std::size_t l = 0; l < plan.imports.size(); ++l)
        for (const ImportSlot& slot : plan.imports[l].slots) slots.push_back({slot.iatRva, l});
    std::sort(slots.begin(), slots.end());
    for (std::size_t i = 1; i < slots.size(); ++i) {
        if (slots[i].first - slots[i - 1].first >= 4) continue;
        const std::string first = printable(plan.imports[slots[i - 1].second].dll);
        const std::string second = printable(plan.imports[slots[i].second].dll);
        error = "import address slots of " + first + (first == second ? "" : " and " + second) +
                " overlap at RVA " + hex(slots[i].first);
        return false;
    }
    return true;
}

} // namespace

bool readImports(const FileImage& image, const Directory& dir, LoadPlan& plan, std::string& error) {
    Budget budget;
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
        if (nameRva == 0 && addresses == 0) return slotsApart(plan, error);
        if (i == maxImportLibraries) {
            error = "the import directory does not end within " + std::to_string(maxImportLibraries) + " DLLs";
            return false;
        }
        ImportLibrary lib;
        if (!readLibrary(image, descriptor, plan, lib, budget, error)) return false;
        plan.imports.push_back(std::move(lib));
    }
}

} // namespace host::pe
