// Bytes as a module file for the PE loader: its headers and tables are read
// into a load plan, its imports resolved against what the hosts provide,
// and then, through a mapping stand-in of this process, the image laid out
// as the 32-bit host lays it out (sections copied, relocations applied at a
// load address of its own, import slots bound), each page range protected,
// and its entry point and export called the way the 32-bit host calls them:
// guarded, with a harmless routine written over the code, since the image's
// own 32-bit code cannot run here. Every plan that reads must keep what the
// mapping relies on; every refusal is one line.
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pe/bind_imports.h"
#include "pe/guarded_call.h"
#include "pe/image_layout.h"
#include "pe/load_plan.h"
#include "pe/provided_imports.h"

namespace {

using host::pe::HostFunction;

// `mov eax, 1; ret`: the same bytes and meaning in 32-bit and 64-bit code.
constexpr uint8_t harmless[] = {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3};
// Where the stand-in pretends the image was loaded.
constexpr uint32_t loadAddress = 0x30000000;

void require(bool condition) {
    if (!condition) std::abort();
}

bool within(const host::pe::LoadPlan& plan, uint64_t rva, uint64_t length) {
    return rva + length <= plan.imageSize;
}

// The imports the hosts provide, at made-up addresses.
std::vector<HostFunction> hostFunctions() {
    std::vector<HostFunction> functions;
    uint32_t address = 0x1000;
    for (const HostFunction& f : host::pe::providedImports()) {
        functions.push_back(f);
        functions.back().address = address += 0x10;
    }
    return functions;
}

// The section that holds `rva` with room for the harmless routine.
const host::pe::Section* codeAt(const host::pe::LoadPlan& plan, uint32_t rva) {
    for (const auto& s : plan.sections)
        if (s.execute && rva >= s.rva && uint64_t{rva} + sizeof harmless <= uint64_t{s.rva} + s.size) return &s;
    return nullptr;
}

// Where the harmless routine is written and called: the entry point and the
// export, each where its code section has room for it. An export that starts
// inside the entry's copy (or the other way round) would run a routine cut by
// the other, so only the first of two overlapping places is used.
std::vector<uint32_t> callSites(const host::pe::LoadPlan& plan) {
    std::vector<uint32_t> sites;
    for (uint32_t rva : {plan.entryRva, plan.exportRva}) {
        if (rva == 0 || !codeAt(plan, rva)) continue;
        bool overlaps = false;
        for (uint32_t s : sites)
            overlaps |= s != rva && uint64_t{rva} < uint64_t{s} + sizeof harmless && uint64_t{s} < uint64_t{rva} + sizeof harmless;
        if (!overlaps) sites.push_back(rva);
    }
    return sites;
}

struct Entry {
    const void* code;
    int result;
};

void callEntry(void* context) {
    auto* e = static_cast<Entry*>(context);
    e->result = reinterpret_cast<int (*)()>(const_cast<void*>(e->code))();
}

// Lays the image out in a mapping of its own, protects it, and calls the
// harmless routine at the entry point and at the export, as the host does.
void mapAndCall(const uint8_t* data, size_t size, const host::pe::LoadPlan& plan,
                const std::vector<host::pe::Binding>& bindings) {
    const uint32_t pages = host::pe::imagePages(plan);
    void* where = mmap(nullptr, pages, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    require(where != MAP_FAILED);
    auto* image = static_cast<uint8_t*>(where);
    host::pe::layOutImage({data, size}, plan, bindings, image, plan.relocatable ? loadAddress : plan.imageBase);
    for (const auto& b : bindings) {
        uint32_t word = 0;
        std::memcpy(&word, image + b.iatRva, sizeof word);
        require(word == static_cast<uint32_t>(b.address));
    }
    const std::vector<uint32_t> sites = callSites(plan);
    for (uint32_t rva : sites) std::memcpy(image + rva, harmless, sizeof harmless);

    require(mprotect(image, pages, PROT_NONE) == 0);
    for (const auto& r : host::pe::pageProtections(plan)) {
        require(r.rva % host::pe::pageSize == 0 && r.size % host::pe::pageSize == 0);
        require(uint64_t{r.rva} + r.size <= pages && !(r.write && r.execute));
        require(mprotect(image + r.rva, r.size,
                         (r.read ? PROT_READ : 0) | (r.write ? PROT_WRITE : 0) | (r.execute ? PROT_EXEC : 0)) == 0);
    }
    const auto begin = reinterpret_cast<uintptr_t>(image);
    for (uint32_t rva : sites) {
        if (!codeAt(plan, rva)->read) continue;
        Entry e{image + rva, 0};
        host::pe::Fault fault;
        require(host::pe::runGuarded(begin, begin + pages, &callEntry, &e, fault));
        require(e.result == 1);
    }
    require(munmap(image, pages) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<HostFunction> functions = hostFunctions();
    host::pe::LoadPlan plan;
    std::string error;
    if (!host::pe::readLoadPlan({data, size}, plan, error)) {
        require(!error.empty() && error.find('\n') == std::string::npos);
        return 0;
    }
    require(plan.imageSize > 0 && plan.imageSize <= host::pe::maxImageSize);
    require(plan.headerSize <= plan.imageSize && plan.headerSize <= size);
    for (const auto& s : plan.sections) {
        require(within(plan, s.rva, s.size) && s.rva >= plan.headerSize);
        require(s.fileSize <= s.size && uint64_t{s.fileOffset} + s.fileSize <= size);
        require(!(s.write && s.execute));
    }
    require(plan.relocations.size() <= host::pe::maxRelocations);
    for (uint32_t rva : plan.relocations) require(within(plan, rva, 4));
    size_t slots = 0;
    for (const auto& lib : plan.imports)
        for (const auto& slot : lib.slots) {
            require(within(plan, slot.iatRva, 4));
            // A name is a view into the input, never a copy.
            require(slot.ordinal != 0 || (slot.name.data() >= reinterpret_cast<const char*>(data) &&
                                          slot.name.data() + slot.name.size() < reinterpret_cast<const char*>(data) + size));
            ++slots;
        }
    require(slots <= host::pe::maxImportSlots && plan.imports.size() <= host::pe::maxImportLibraries);
    require(plan.exportRva != 0 && within(plan, plan.exportRva, 1));
    require(within(plan, plan.entryRva, 1));

    std::vector<host::pe::Binding> bindings;
    if (!host::pe::bindImports(plan, functions, bindings, error)) {
        require(!error.empty() && error.find('\n') == std::string::npos);
        return 0;
    }
    require(bindings.size() == slots);
    mapAndCall(data, size, plan, bindings);
    return 0;
}
