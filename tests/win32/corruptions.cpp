#include "corruptions.h"

#include <cstdint>

namespace zrxtest {

namespace {

using Patch = std::function<void(DllBytes&)>;

Patch put16(size_t at, uint16_t value) {
    return [=](DllBytes& d) { d.put16(at, value); };
}
Patch put32(size_t at, uint32_t value) {
    return [=](DllBytes& d) { d.put32(at, value); };
}
Patch code(uint32_t rva, std::vector<uint8_t> bytes) {
    return [=](DllBytes& d) { d.patchCode(rva, bytes); };
}

} // namespace

std::vector<Corruption> corruptions(const DllBytes& dll) {
    std::vector<Corruption> out;
    auto add = [&](const std::string& kind, const std::string& name, Patch patch) {
        out.push_back({kind, name, std::move(patch)});
    };
    const size_t pe = dll.peOffset();
    const size_t coff = pe + 4;
    const size_t opt = dll.optionalHeader();
    const uint32_t size = static_cast<uint32_t>(dll.bytes.size());

    // The DOS and PE signatures and the COFF header.
    for (uint32_t v : {0u, 0x40u, size, size - 2, 0xFFFFFFFFu}) add("headers", "e_lfanew=" + std::to_string(v), put32(0x3C, v));
    for (size_t i = 0; i < 4; ++i)
        add("headers", "pe_signature_byte_" + std::to_string(i), [=](DllBytes& d) { d.bytes[pe + i] ^= 0x20; });
    for (uint16_t v : {0x8664, 0xAA64, 0x1C0, 0}) add("headers", "machine=" + std::to_string(v), put16(coff, v));
    for (uint16_t v : {0, 1, 6, 8, 96, 97, 0xFFFF}) add("headers", "sections=" + std::to_string(v), put16(coff + 2, v));
    for (uint16_t v : {0, 95, 96, 223, 225, 0xFFFF}) add("headers", "optional_size=" + std::to_string(v), put16(coff + 16, v));
    const uint16_t flags = dll.u16(coff + 18);
    add("headers", "not_a_dll", put16(coff + 18, flags & ~0x2000));
    add("headers", "not_executable", put16(coff + 18, flags & ~0x0002));
    add("headers", "relocations_stripped", put16(coff + 18, flags | 0x0001));
    // The optional header.
    for (uint16_t v : {0x20B, 0x107, 0}) add("headers", "magic=" + std::to_string(v), put16(opt, v));
    const auto data = dll.section(".data");
    for (uint32_t v : {0u, data.rva, 0x100000u, 0xFFFFFFFFu}) add("headers", "entry=" + std::to_string(v), put32(opt + 16, v));
    for (uint32_t v : {0u, 0xFFFF0000u, dll.imageBase() + 0x800}) add("headers", "base=" + std::to_string(v), put32(opt + 28, v));
    for (uint32_t v : {0u, 0x200u, 0x1001u}) add("headers", "section_alignment=" + std::to_string(v), put32(opt + 32, v));
    for (uint32_t v : {0u, 0x1000u, 0xFFFFFFFFu, (64u << 20) + 1}) add("headers", "image_size=" + std::to_string(v), put32(opt + 56, v));
    for (uint32_t v : {0u, 0xFFFFFFFFu, size + 1}) add("headers", "header_size=" + std::to_string(v), put32(opt + 60, v));
    for (uint32_t v : {0u, 1u, 5u, 0xFFFFFFFFu}) add("headers", "directories=" + std::to_string(v), put32(opt + 92, v));

    // Each section header.
    for (const DllSection& s : dll.sections()) {
        const size_t h = s.headerOffset;
        add("sections", s.name + "_at_rva_0", put32(h + 12, 0));
        add("sections", s.name + "_past_the_image", put32(h + 8, 0x10000000));
        add("sections", s.name + "_data_past_the_file", put32(h + 20, size));
        add("sections", s.name + "_data_size_huge", put32(h + 16, 0xFFFFFFF0));
        add("sections", s.name + "_writable_and_executable", put32(h + 36, s.flags | 0xA0000000));
    }

    // The data directories.
    const size_t exports = dll.fileOffset(dll.directoryRva(0));
    add("directories", "no_export_table", put32(dll.directoryEntry(0), 0));
    add("directories", "export_table_outside", put32(dll.directoryEntry(0), 0x7FFF0000));
    add("directories", "ordinal_base_11", put32(exports + 16, 11));
    add("directories", "no_exported_functions", put32(exports + 20, 0));
    add("directories", "export_addresses_outside", put32(exports + 28, 0x7FFF0000));
    add("directories", "export_entry_empty", [](DllBytes& d) {
        const size_t e = d.fileOffset(d.directoryRva(0));
        d.put32(d.fileOffset(d.u32(e + 28)), 0);
    });
    add("directories", "export_forwarded", [](DllBytes& d) {
        const size_t e = d.fileOffset(d.directoryRva(0));
        d.put32(d.fileOffset(d.u32(e + 28)), d.directoryRva(0) + 4);
    });
    add("directories", "export_in_data", [data](DllBytes& d) {
        const size_t e = d.fileOffset(d.directoryRva(0));
        d.put32(d.fileOffset(d.u32(e + 28)), data.rva);
    });
    const size_t imports = dll.fileOffset(dll.directoryRva(1));
    add("directories", "import_table_outside", put32(dll.directoryEntry(1), 0x7FFF0000));
    add("directories", "import_dll_name_outside", put32(imports + 12, 0x7FFF0000));
    add("directories", "import_lookup_outside", put32(imports, 0x7FFF0000));
    add("directories", "import_slots_outside", put32(imports + 16, 0x7FFF0000));
    add("directories", "import_name_outside", [](DllBytes& d) { d.put32(d.importLookupTable("qvd.dll"), 0x7FFF0000); });
    add("directories", "import_ordinal_0", [](DllBytes& d) { d.put32(d.importLookupTable("zentrix.dll"), 0x80000000); });
    add("directories", "import_ordinal_unknown", [](DllBytes& d) { d.put32(d.importLookupTable("zentrix.dll"), 0x80000063); });
    add("directories", "import_dll_unknown", [](DllBytes& d) { d.bytes[d.find("HOLMVAR.dll")] = 'X'; });
    add("directories", "import_name_unknown", [](DllBytes& d) { d.bytes[d.find("TRX5_Event") + 5] = 'Q'; });
    add("directories", "import_table_does_not_end", [imports](DllBytes& d) {
        // Every descriptor after the first repeats it: the table never ends.
        const size_t last = d.fileOffset(d.directoryRva(1)) + d.u32(d.directoryEntry(1) + 4);
        for (size_t at = imports + 20; at + 20 <= last + 20 && at + 20 <= d.bytes.size(); at += 20)
            std::copy_n(d.bytes.begin() + static_cast<long>(imports), 20, d.bytes.begin() + static_cast<long>(at));
    });
    const size_t relocs = dll.fileOffset(dll.directoryRva(5));
    add("directories", "relocations_empty", put32(dll.directoryEntry(5) + 4, 0));
    add("directories", "relocations_outside", put32(dll.directoryEntry(5), 0x7FFF0000));
    add("directories", "relocation_block_size_0", put32(relocs + 4, 0));
    add("directories", "relocation_block_size_odd", put32(relocs + 4, 9));
    add("directories", "relocation_block_size_huge", put32(relocs + 4, 0x7FFFFFF0));
    add("directories", "relocation_type_dir64", put16(relocs + 8, 0xA000));
    add("directories", "relocation_past_the_image", put32(relocs, 0x7FFF000));
    add("directories", "relocations_removed", [](DllBytes& d) {
        d.put32(d.directoryEntry(5), 0);
        d.put32(d.directoryEntry(5) + 4, 0);
    });
    add("directories", "tls_directory", put32(dll.directoryEntry(9), dll.directoryRva(1)));
    add("directories", "delay_imports", put32(dll.directoryEntry(13), dll.directoryRva(1)));

    // The code: DllMain, cnt1entd and the three entries.
    const uint32_t entry = dll.entryPoint();
    const uint32_t cnt1entd = dll.exportRva(10);
    const uint32_t start = dll.symbolRva("__ZN3zrx8enqmlcssEjPNS_10HostObjectE");
    const uint32_t request = dll.symbolRva("__ZN3zrx8enqmlcprEjPNS_10HostObjectE");
    const uint32_t end = dll.symbolRva("__ZN3zrx8enqmlctsEjPNS_10HostObjectE");
    const std::vector<uint8_t> ud2 = {0x0F, 0x0B}, int3 = {0xCC}, nullRead = {0x31, 0xC0, 0x8B, 0x00},
                               nullWrite = {0x31, 0xC0, 0x89, 0x00}, divide = {0x31, 0xC9, 0xF7, 0xF1},
                               callNowhere = {0xB8, 0x00, 0x10, 0x00, 0x00, 0xFF, 0xD0},
                               recurse = {0xE8, 0xFB, 0xFF, 0xFF, 0xFF};
    add("code", "dllmain_ud2", code(entry, ud2));
    add("code", "dllmain_int3", code(entry, int3));
    add("code", "dllmain_null_read", code(entry, nullRead));
    add("code", "dllmain_null_write", code(entry, nullWrite));
    add("code", "dllmain_divide_by_zero", code(entry, divide));
    add("code", "dllmain_calls_nowhere", code(entry, callNowhere));
    add("code", "dllmain_overflows_its_stack", code(entry, recurse));
    add("code", "dllmain_returns_false", code(entry, {0x31, 0xC0, 0xC2, 0x0C, 0x00}));
    add("code", "dllmain_ret_without_12", code(entry, {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3}));
    add("code", "dllmain_clobbers_registers",
        code(entry, {0x31, 0xDB, 0x31, 0xF6, 0x31, 0xFF, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xC2, 0x0C, 0x00}));
    add("code", "cnt1entd_ud2", code(cnt1entd, ud2));
    add("code", "cnt1entd_null_read", code(cnt1entd, nullRead));
    add("code", "cnt1entd_returns_5", code(cnt1entd, {0xB8, 0x05, 0x00, 0x00, 0x00, 0xC3}));
    add("code", "cnt1entd_registers_nothing", code(cnt1entd, {0x31, 0xC0, 0xC3}));
    add("code", "session_start_divides_by_zero", code(start, divide));
    add("code", "request_ud2", code(request, ud2));
    add("code", "session_end_null_write", code(end, nullWrite));
    add("code", "unbound_imports", [](DllBytes& d) {
        // No import directory: DllMain calls through a slot never bound.
        d.put32(d.directoryEntry(1), 0);
        d.put32(d.directoryEntry(1) + 4, 0);
    });
    return out;
}

} // namespace zrxtest
