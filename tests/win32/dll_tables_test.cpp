// ZRX.dll as the 32-bit Windows data server loads it: its export, the
// functions it imports from the platform, and nothing of the C++ runtime
// left for the server to supply.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <string>

#include "pe_tables.h"

namespace {

using zrxtest::PeImport;
using zrxtest::PeTables;

class WindowsModule : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::string(ZRX_WIN32_DLL).empty() || std::string(ZRX_WIN32_OBJDUMP).empty()) return;
        auto headers = zrxtest::commandOutput(objdump() + " -p " + dll());
        auto code = zrxtest::commandOutput(objdump() + " -d " + dll());
        if (!headers || !code) return;
        tables_ = new PeTables(zrxtest::parsePeTables(*headers));
        disassembly_ = new std::string(*code);
    }
    static void TearDownTestSuite() {
        delete tables_;
        delete disassembly_;
        tables_ = nullptr;
        disassembly_ = nullptr;
    }
    void SetUp() override {
        if (std::string(ZRX_WIN32_DLL).empty())
            GTEST_SKIP() << "i686-w64-mingw32 cross compiler not installed: ZRX.dll not built";
        ASSERT_NE(tables_, nullptr) << "objdump could not read " << ZRX_WIN32_DLL;
    }

    static std::string objdump() { return std::string("'") + ZRX_WIN32_OBJDUMP + "'"; }
    static std::string dll() { return std::string("'") + ZRX_WIN32_DLL + "'"; }

    const std::vector<PeImport>& importsOf(const std::string& name) {
        static const std::vector<PeImport> none;
        auto it = tables_->imports.find(name);
        return it == tables_->imports.end() ? none : it->second;
    }
    std::set<uint32_t> ordinalsOf(const std::string& name) {
        std::set<uint32_t> out;
        for (const PeImport& i : importsOf(name)) out.insert(i.ordinal ? *i.ordinal : 0xFFFFFFFF);
        return out;
    }
    std::set<std::string> namesOf(const std::string& name) {
        std::set<std::string> out;
        for (const PeImport& i : importsOf(name)) out.insert(i.ordinal ? byOrdinal(*i.ordinal) : i.name);
        return out;
    }
    uint32_t iatSlot(const std::string& dllName, const std::string& name, uint32_t ordinal = 0) {
        for (const PeImport& i : importsOf(dllName))
            if ((ordinal && i.ordinal == ordinal) || (!ordinal && i.name == name)) return i.iatAddress;
        return 0;
    }
    // Formatted rather than concatenated: GCC 12 at -O3 takes a literal
    // prepended to a temporary string for an overlapping copy (-Wrestrict).
    static std::string byOrdinal(uint32_t ordinal) {
        char text[16];
        std::snprintf(text, sizeof text, "#%u", static_cast<unsigned>(ordinal));
        return text;
    }
    // How objdump writes an operand that is the IAT slot at `address`, and
    // a call through it.
    static std::string absolute(uint32_t address) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%x", address);
        return text;
    }
    static std::string indirect(uint32_t address) {
        char text[16];
        std::snprintf(text, sizeof text, "*0x%x", address);
        return text;
    }

    static PeTables* tables_;
    static std::string* disassembly_;
};

PeTables* WindowsModule::tables_ = nullptr;
std::string* WindowsModule::disassembly_ = nullptr;

TEST_F(WindowsModule, IsA32BitDll) {
    EXPECT_EQ(tables_->format, "pei-i386");
    EXPECT_EQ(tables_->magic, "010b");
}

TEST_F(WindowsModule, ExportsOnlyCnt1entdByNameAtOrdinal10) {
    EXPECT_EQ(tables_->ordinalBase, 10u);
    ASSERT_EQ(tables_->exports.size(), 1u);
    EXPECT_EQ(tables_->exports[0], (zrxtest::PeExport{10, "cnt1entd"}));
    // cdecl: the C symbol carries only the leading underscore, no "@n".
    auto symbols = zrxtest::commandOutput(objdump() + " -t " + dll());
    ASSERT_TRUE(symbols);
    EXPECT_NE(symbols->find(" _cnt1entd\n"), std::string::npos);
    EXPECT_EQ(symbols->find("_cnt1entd@"), std::string::npos);
}

TEST_F(WindowsModule, ImportsTheTraceFacilityByUndecoratedName) {
    EXPECT_EQ(namesOf("qvd.dll"), (std::set<std::string>{"TRX5_Event", "TRX5_Printf", "TRX5_Sync"}));
    EXPECT_EQ(importsOf("qvd.dll").size(), 3u);
}

TEST_F(WindowsModule, ImportsThePlatformLibrariesByOrdinalOnly) {
    EXPECT_EQ(ordinalsOf("zentrix.dll"), (std::set<uint32_t>{3, 4, 54, 55}));
    EXPECT_EQ(importsOf("zentrix.dll").size(), 4u);
    EXPECT_EQ(ordinalsOf("HOLMVAR.dll"), std::set<uint32_t>{6});
    EXPECT_EQ(importsOf("HOLMVAR.dll").size(), 1u);
    EXPECT_EQ(ordinalsOf("PRUVANTE.dll"), std::set<uint32_t>{1});
    EXPECT_EQ(importsOf("PRUVANTE.dll").size(), 1u);
}

// No C++ runtime and no C start-up code: beside the four platform libraries
// the DLL imports one KERNEL32 function and a few msvcrt string and format
// functions, and nothing else.
TEST_F(WindowsModule, ImportsOnlyThePlatformAndAFewSystemFunctions) {
    std::set<std::string> dlls;
    for (const auto& [name, entries] : tables_->imports) dlls.insert(name);
    EXPECT_EQ(dlls, (std::set<std::string>{"qvd.dll", "zentrix.dll", "HOLMVAR.dll", "PRUVANTE.dll",
                                           "KERNEL32.dll", "msvcrt.dll"}));
    EXPECT_EQ(namesOf("KERNEL32.dll"), std::set<std::string>{"DisableThreadLibraryCalls"});
    EXPECT_EQ(namesOf("msvcrt.dll"),
              (std::set<std::string>{"_vscprintf", "_vsnprintf", "memchr", "memcmp", "memcpy", "memset",
                                     "strcmp", "strlen"}));
}

// The DLL's entry point is DllMain itself: no run-time start-up code, so
// nothing would run a static initialiser, and the module needs none.
TEST_F(WindowsModule, HasNoStaticInitialisersAndNoRuntimeStartup) {
    auto symbols = zrxtest::commandOutput(objdump() + " -t " + dll());
    ASSERT_TRUE(symbols);
    EXPECT_EQ(symbols->find("_GLOBAL__sub_I"), std::string::npos) << "a static initialiser that never runs";
    EXPECT_EQ(symbols->find("DllMainCRTStartup"), std::string::npos);
    EXPECT_EQ(symbols->find("__cxa_"), std::string::npos) << "C++ runtime support linked in";
    EXPECT_EQ(tables_->imageBase + tables_->entryPoint, zrxtest::labelAddress(*disassembly_, "_DllMain@12"));
}

// Nothing reads the thread environment block through %fs (structured
// exception frames, TLS): the module needs no per-thread state.
TEST_F(WindowsModule, NoCodeTouchesTheThreadEnvironmentBlock) {
    EXPECT_EQ(disassembly_->find("%fs:"), std::string::npos);
}

TEST_F(WindowsModule, DllMainDisablesThreadLibraryCalls) {
    uint32_t slot = iatSlot("KERNEL32.dll", "DisableThreadLibraryCalls");
    ASSERT_NE(slot, 0u) << "DisableThreadLibraryCalls is not imported";
    std::vector<std::string> body = zrxtest::disassemblyOf(*disassembly_, "_DllMain@12");
    ASSERT_FALSE(body.empty()) << "no DllMain in the DLL";
    bool calls = std::any_of(body.begin(), body.end(), [&](const std::string& line) {
        return line.find("call") != std::string::npos && line.find(indirect(slot)) != std::string::npos;
    });
    EXPECT_TRUE(calls) << "DllMain does not call through the import slot at " << absolute(slot);
}

// The registration record holds the base library's own address of ordinal
// 55, taken from the import address table; the module never calls it.
TEST_F(WindowsModule, Ordinal55IsReadFromTheImportTableAndNeverCalled) {
    uint32_t slot = iatSlot("zentrix.dll", "", 55);
    ASSERT_NE(slot, 0u);
    const std::string operand = absolute(slot);
    bool read = false, called = false;
    size_t from = 0;
    while ((from = disassembly_->find(operand, from)) != std::string::npos) {
        size_t begin = disassembly_->rfind('\n', from) + 1;
        size_t end = disassembly_->find('\n', from);
        std::string line = disassembly_->substr(begin, end - begin);
        if (line.find("mov ") != std::string::npos && line.find(operand + ",%") != std::string::npos) read = true;
        if (line.find("call") != std::string::npos) called = true;
        from = end;
    }
    EXPECT_TRUE(read);
    EXPECT_FALSE(called);
}

} // namespace
