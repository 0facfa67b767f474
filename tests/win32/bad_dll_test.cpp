// ZRX.dll with one thing wrong: the loader names the file and the fault in
// one line, loads nothing and leaves nothing mapped, and the command exits
// with status 2. The bad files are the real DLL with a few bytes patched.
// The 64-bit host checks the same headers and imports before it would hand
// the DLL to Wine, so only what the loader finds when it runs the DLL
// differs between the builds.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

#include "core/module.h"
#include "dll_bytes.h"
#include "remote/windows_host.h"
#include "run_command.h"

namespace {

using zrxtest::DllBytes;

struct BadDll {
    const char* name;
    std::function<void(DllBytes&)> patch;
    std::function<std::string(const DllBytes&)> fault; // from the unpatched DLL
    bool foundWhenRun = false; // found only by a loader that runs the DLL
};

std::string hex(uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

std::vector<BadDll> badDlls() {
    return {
        {"neither_elf_nor_pe", [](DllBytes& d) { d.bytes[0] = 'X'; },
         [](const DllBytes&) { return "neither an ELF shared object nor a Windows DLL"; }},
        {"no_pe_signature", [](DllBytes& d) { d.bytes[d.peOffset() + 1] = 'X'; },
         [](const DllBytes& d) { return "not a PE file: no PE signature at offset " + hex(d.peOffset()); }},
        {"x86_64_machine", [](DllBytes& d) { d.put16(d.machineOffset(), 0x8664); },
         [](const DllBytes&) { return "a 64-bit x86-64 image (machine 0x8664), not a 32-bit i386 one"; }},
        {"pe32_plus", [](DllBytes& d) { d.put16(d.optionalHeader(), 0x20B); },
         [](const DllBytes&) { return "a PE32+ (64-bit) image, not PE32"; }},
        {"arm_machine", [](DllBytes& d) { d.put16(d.machineOffset(), 0x1C0); },
         [](const DllBytes&) { return "machine type 0x1C0 is not i386 (0x14C)"; }},
        {"executable_not_dll", [](DllBytes& d) { d.put16(d.peOffset() + 22, d.u16(d.peOffset() + 22) & ~0x2000); },
         [](const DllBytes& d) {
             return "not a DLL: file characteristics " + hex(d.u16(d.peOffset() + 22) & ~0x2000) +
                    " lack the executable-image or DLL flag";
         }},
        {"truncated_headers", [](DllBytes& d) { d.bytes.resize(40); },
         [](const DllBytes&) { return "truncated: 40 bytes, shorter than a DOS header"; }},
        {"truncated_sections", [](DllBytes& d) { d.bytes.resize(4096); },
         [](const DllBytes& d) {
             const auto text = d.section(".text");
             return "truncated: the data of section .text (RVA " + hex(text.rva) + ", " + hex(text.virtualSize) +
                    " bytes) ends at file offset " + hex(text.rawPointer + text.rawSize) +
                    ", past the end of the file (4096 bytes)";
         }},
        {"section_outside_image",
         [](DllBytes& d) { d.put32(d.section(".reloc").headerOffset + 8, 0x10000); },
         [](const DllBytes& d) {
             return "section .reloc (RVA " + hex(d.section(".reloc").rva) + ", 0x10000 bytes) lies outside the image of " +
                    hex(d.imageSize()) + " bytes";
         }},
        {"relocation_outside_image",
         [](DllBytes& d) { d.put32(d.fileOffset(d.directoryRva(5)), 0x7FFF000); },
         [](const DllBytes& d) {
             const uint16_t first = d.u16(d.fileOffset(d.directoryRva(5)) + 8);
             return "a base relocation at RVA " + hex(0x7FFF000 + (first & 0xFFF)) + " lies outside the image of " +
                    hex(d.imageSize()) + " bytes";
         }},
        {"no_export_at_ordinal_10",
         [](DllBytes& d) { d.put32(d.fileOffset(d.directoryRva(0)) + 16, 11); },
         [](const DllBytes&) { return "exports nothing at ordinal 10 (its ordinals run from 11, 1 of them)"; }},
        {"missing_import_dll",
         [](DllBytes& d) { d.bytes[d.find("PRUVANTE.dll") + 7] = 'X'; },
         [](const DllBytes&) {
             return "imports from PRUVANTX.dll, which the loader does not provide (it provides qvd.dll, zentrix.dll, "
                    "HOLMVAR.dll, PRUVANTE.dll, KERNEL32.dll, msvcrt.dll)";
         }},
        {"missing_ordinal",
         [](DllBytes& d) { d.put32(d.importLookupTable("HOLMVAR.dll"), 0x80000007); },
         [](const DllBytes&) { return "imports ordinal 7 of HOLMVAR.dll, which the loader does not provide"; }},
        {"missing_name", [](DllBytes& d) { d.bytes[d.find("TRX5_Sync") + 6] = 'u'; },
         [](const DllBytes&) { return "imports TRX5_Sunc from qvd.dll, which the loader does not provide"; }},
        {"dllmain_refuses",
         // xor %eax,%eax; ret $12: DllMain returns FALSE.
         [](DllBytes& d) {
             const uint8_t code[] = {0x31, 0xC0, 0xC2, 0x0C, 0x00};
             std::copy(std::begin(code), std::end(code), d.bytes.begin() + d.fileOffset(d.entryPoint()));
         },
         [](const DllBytes&) { return "its DllMain refused process attach"; }, true},
    };
}

// What the loader of this build says about the bad file: the 64-bit host
// without Wine says what is missing instead of running it; under Wine the
// Windows loader says it in its own words (only the start is compared).
std::string expectedFault(const BadDll& bad, const DllBytes& dll) {
#if !ZRX_PE_LOADER
    if (bad.foundWhenRun) {
        std::string missing;
        return host::remote::windowsHostRuns(missing) ? "the Windows loader refused it"
                                                      : "a 32-bit Windows DLL, which this mentrenq runs under Wine, but " +
                                                            missing;
    }
#endif
    return bad.fault(dll);
}

size_t mappings() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    size_t n = 0;
    while (std::getline(maps, line)) ++n;
    return n;
}

class BadDlls : public testing::Test {
protected:
    void SetUp() override {
        dll_ = DllBytes::read(ZRX_WIN32_DLL);
        if (dll_.empty()) GTEST_SKIP() << "ZRX.dll not built";
    }
    DllBytes dll_;
};

TEST_F(BadDlls, EachIsRefusedWithOneLineNamingTheFileAndLeavesNothingMapped) {
    for (const BadDll& bad : badDlls()) {
        SCOPED_TRACE(bad.name);
        DllBytes patched = dll_;
        bad.patch(patched);
        const std::string path = patched.write(std::string(bad.name) + ".dll");
        const size_t before = mappings();
        std::string error;
        auto module = host::Module::load(path, error);
        EXPECT_EQ(module, nullptr);
        EXPECT_EQ(error.rfind("cannot load module " + path + ": " + expectedFault(bad, dll_), 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(mappings(), before);
        std::remove(path.c_str());
    }
}

TEST_F(BadDlls, TheCommandExitsWithStatusTwoAndOneLine) {
    for (const BadDll& bad : badDlls()) {
        SCOPED_TRACE(bad.name);
        DllBytes patched = dll_;
        bad.patch(patched);
        const std::string path = patched.write(std::string(bad.name) + ".dll");
        auto r = clitest::runMentrenq({"query", "--report", "--module", path});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("mentrenq: cannot load module " + path + ": " + expectedFault(bad, dll_), 0), 0u)
            << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        std::remove(path.c_str());
    }
}

} // namespace
