// Bytes as a module file for the PE loader: its headers and tables are read
// into a load plan and its imports resolved against the host's DLLs. Every
// plan that reads must keep what the mapping relies on: sections, import
// slots, relocations, entry point and export inside the image; every refusal
// is one line.
#include <cstdlib>
#include <string>

#include "pe/bind_imports.h"
#include "pe/load_plan.h"

namespace {

using host::pe::HostFunction;

// The DLLs and functions the 32-bit host provides, at made-up addresses.
const HostFunction hostFunctions[] = {
    {"qvd.dll", 0, "TRX5_Sync", 0x1000},         {"qvd.dll", 0, "TRX5_Event", 0x1010},
    {"qvd.dll", 0, "TRX5_Printf", 0x1020},       {"zentrix.dll", 3, nullptr, 0x2000},
    {"zentrix.dll", 4, nullptr, 0x2010},         {"zentrix.dll", 54, nullptr, 0x2020},
    {"zentrix.dll", 55, nullptr, 0x2030},        {"HOLMVAR.dll", 6, nullptr, 0x3000},
    {"PRUVANTE.dll", 1, nullptr, 0x4000},        {"KERNEL32.dll", 0, "DisableThreadLibraryCalls", 0x5000},
    {"msvcrt.dll", 0, "memcpy", 0x6000},         {"msvcrt.dll", 0, "_vsnprintf", 0x6010},
};

void require(bool condition) {
    if (!condition) std::abort();
}

bool within(const host::pe::LoadPlan& plan, uint64_t rva, uint64_t length) {
    return rva + length <= plan.imageSize;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
    }
    for (uint32_t rva : plan.relocations) require(within(plan, rva, 4));
    for (const auto& lib : plan.imports)
        for (const auto& slot : lib.slots) require(within(plan, slot.iatRva, 4));
    require(plan.exportRva != 0 && within(plan, plan.exportRva, 1));
    require(within(plan, plan.entryRva, 1));

    std::vector<host::pe::Binding> bindings;
    if (!host::pe::bindImports(plan, hostFunctions, bindings, error)) {
        require(!error.empty() && error.find('\n') == std::string::npos);
        return 0;
    }
    size_t slots = 0;
    for (const auto& lib : plan.imports) slots += lib.slots.size();
    require(bindings.size() == slots);
    return 0;
}
