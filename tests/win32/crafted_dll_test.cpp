// DLLs crafted from ZRX.dll to cost the loader what a hostile file could,
// or to ask of it what it must not grant: reading any of them is bounded by
// the caps and ends in one line naming what is wrong; an image without
// relocations runs at its own base or is refused saying why.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstring>

#include "core/module.h"
#include "core/session_run.h"
#include "dll_bytes.h"
#include "pe/load_plan.h"
#include "run_command.h"
#include "scenarios/texts.h"
#include "support/host_fixture.h"

namespace {

using zrxtest::DllBytes;

constexpr uint32_t readWrite = 0xC0000040;

void put32(std::vector<uint8_t>& data, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// An import section for RVA `rva`: `descriptors` descriptors of `dll`, all
// sharing one table of `slots` entries (lookup and address table at once)
// that all point at one hint/name entry holding `name`. With `cut`, the
// section's data ends inside the name, without its NUL.
std::vector<uint8_t> importSection(uint32_t rva, uint32_t descriptors, const std::string& dll, uint32_t slots,
                                   const std::string& name, bool cut = false) {
    const size_t dllAt = 20 * (size_t{descriptors} + 1);
    const size_t tableAt = (dllAt + dll.size() + 1 + 3) / 4 * 4;
    size_t nameAt = tableAt + 4 * (size_t{slots} + 1);
    if (cut) nameAt = (nameAt + 2 + name.size() + 0x1FF) / 0x200 * 0x200 - 2 - name.size();
    std::vector<uint8_t> data(nameAt + 2 + name.size() + (cut ? 0 : 1), 0);
    for (uint32_t d = 0; d < descriptors; ++d) {
        put32(data, 20 * d, rva + static_cast<uint32_t>(tableAt));
        put32(data, 20 * d + 12, rva + static_cast<uint32_t>(dllAt));
        put32(data, 20 * d + 16, rva + static_cast<uint32_t>(tableAt));
    }
    std::copy(dll.begin(), dll.end(), data.begin() + static_cast<long>(dllAt));
    for (uint32_t s = 0; s < slots; ++s) put32(data, tableAt + 4 * s, rva + static_cast<uint32_t>(nameAt));
    std::copy(name.begin(), name.end(), data.begin() + static_cast<long>(nameAt + 2));
    return data;
}

class CraftedDll : public testing::Test {
protected:
    void SetUp() override {
        dll_ = DllBytes::read(ZRX_WIN32_DLL);
        if (dll_.empty()) GTEST_SKIP() << "ZRX.dll not built";
    }
    // Points the import directory at a new section built by `make`.
    DllBytes withImports(uint32_t descriptors, uint32_t slots, const std::string& name, bool cut = false) {
        DllBytes d = dll_;
        const uint32_t rva = d.addSection(".hostile", importSection(0, 0, "", 0, ""), readWrite);
        d = dll_;
        const auto data = importSection(rva, descriptors, "qvd.dll", slots, name, cut);
        EXPECT_EQ(d.addSection(".hostile", data, readWrite), rva);
        d.put32(d.directoryEntry(1), rva);
        d.put32(d.directoryEntry(1) + 4, 20 * (descriptors + 1));
        return d;
    }
    std::string planError(const DllBytes& d) {
        host::pe::LoadPlan plan;
        std::string error;
        EXPECT_FALSE(host::pe::readLoadPlan(d.bytes, plan, error));
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        return error;
    }

    DllBytes dll_;
};

TEST_F(CraftedDll, DescriptorsSharingOneHugeTableAreRefusedWithinTheCaps) {
    // 256 descriptors, one table of 65,535 slots, one name of 255 characters:
    // 16.7 million slots if each were taken. The names run out first; with
    // a short name, the slots do.
    const DllBytes bomb = withImports(256, 65535, std::string(255, 'A'));
    EXPECT_LT(bomb.bytes.size(), 400000u);
    const std::string names = "its import names come to more than 1048576 bytes; the loader reads at most that many";
    EXPECT_EQ(planError(bomb), names);
    EXPECT_EQ(planError(withImports(256, 65535, "A")),
              "it imports more than 16384 functions in all; the loader reads at most that many");
    const std::string path = bomb.write("bomb.dll");
    const auto r = clitest::runMentrenq({"query", "--report", "--module", path});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "mentrenq: cannot load module " + path + ": " + names + "\n");
    std::remove(path.c_str());
}

TEST_F(CraftedDll, TheNamesOfAllImportsTogetherAreCapped) {
    EXPECT_EQ(planError(withImports(8, 2047, std::string(255, 'B'))),
              "its import names come to more than 1048576 bytes; the loader reads at most that many");
}

// Two descriptors on one address table: the loader could not leave each
// slot holding the function bound for it.
TEST_F(CraftedDll, ImportAddressSlotsThatOverlapAreRefused) {
    const std::string error = planError(withImports(2, 3, "GetTickCount"));
    EXPECT_EQ(error.rfind("import address slots of qvd.dll overlap at RVA 0x", 0), 0u) << error;
}

TEST_F(CraftedDll, AnOverlongOrUnterminatedNameIsCalledSo) {
    const std::string tooLong = planError(withImports(1, 1, std::string(300, 'C')));
    EXPECT_EQ(tooLong.rfind("an import name of qvd.dll (at RVA ", 0), 0u) << tooLong;
    EXPECT_NE(tooLong.find(") is longer than 255 characters"), std::string::npos) << tooLong;
    const std::string cut = planError(withImports(1, 1, std::string(100, 'D'), true));
    EXPECT_NE(cut.find(") runs past the end of the file data it starts in"), std::string::npos) << cut;
}

TEST_F(CraftedDll, MoreRelocationsThanTheCapAreRefused) {
    const uint32_t entries = host::pe::maxRelocations + 1;
    std::vector<uint8_t> block(8 + 2 * size_t{entries}, 0);
    put32(block, 0, 0x1000);
    put32(block, 4, static_cast<uint32_t>(block.size()));
    for (uint32_t e = 0; e < entries; ++e) {
        const uint16_t entry = static_cast<uint16_t>(0x3000 | (4 * e % 0xFFC));
        block[8 + 2 * e] = static_cast<uint8_t>(entry);
        block[9 + 2 * e] = static_cast<uint8_t>(entry >> 8);
    }
    DllBytes d = dll_;
    const uint32_t rva = d.addSection(".bigrel", block, 0x42000040);
    d.put32(d.directoryEntry(5), rva);
    d.put32(d.directoryEntry(5) + 4, static_cast<uint32_t>(block.size()));
    EXPECT_EQ(planError(d), "it has more than 1048576 base relocations; the loader applies at most that many");
}

TEST_F(CraftedDll, SectionsOverTheHeadersOrBothWritableAndExecutableAreRefused) {
    const auto text = dll_.section(".text");
    DllBytes over = dll_;
    over.put32(text.headerOffset + 12, 0x200);
    const std::string size = host::pe::hex(text.virtualSize) + " bytes)";
    EXPECT_EQ(planError(over), "section .text (RVA 0x200, " + size + " overlaps the headers (0x400 bytes)");
    DllBytes writable = dll_;
    writable.put32(text.headerOffset + 36, text.flags | 0x80000000);
    EXPECT_EQ(planError(writable), "section .text (RVA 0x1000, " + size + " is both writable and executable, "
                                   "which the loader does not map");
}

TEST_F(CraftedDll, ARelocationDirectoryOfNoBytesIsNoRelocationTable) {
    DllBytes d = dll_;
    d.put32(d.directoryEntry(5) + 4, 0);
    host::pe::LoadPlan plan;
    std::string error;
    ASSERT_TRUE(host::pe::readLoadPlan(d.bytes, plan, error)) << error;
    EXPECT_FALSE(plan.relocatable);
    EXPECT_TRUE(plan.relocations.empty());
}

#if ZRX_PE_LOADER

std::vector<zrx::MentrenqRow> reportRows(const host::Module& module) {
    zrxtest::HostFixture fx(scenarios::demoEnterpriseSql());
    host::SessionOptions options;
    options.predicates = zrxtest::HostFixture::report();
    host::Session s(fx.host(), module, options);
    const host::SessionRun run = host::runSession(s);
    EXPECT_EQ(run.last(), zrx::entry::noMoreRows);
    return run.rows;
}

// Without relocations (no table, or the flag that says they were
// stripped) the image runs at the base it was linked for, and the rows
// are those of ZRX.so.
TEST_F(CraftedDll, AnImageWithoutRelocationsRunsAtItsOwnBase) {
    DllBytes empty = dll_;
    empty.put32(empty.directoryEntry(5) + 4, 0);
    DllBytes stripped = dll_;
    stripped.put16(stripped.characteristicsOffset(), static_cast<uint16_t>(stripped.u16(stripped.characteristicsOffset()) | 1));
    std::string error;
    auto so = host::Module::load(ZRX_MODULE_FILE, error);
    ASSERT_NE(so, nullptr) << error;
    const auto expected = reportRows(*so);
    for (const DllBytes* d : {&empty, &stripped}) {
        const std::string path = d->write("at_base.dll");
        auto module = host::Module::load(path, error);
        ASSERT_NE(module, nullptr) << error;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(module->registration) & 0xFFFF0000u, dll_.imageBase() & 0xFFFF0000u);
        const auto rows = reportRows(*module);
        ASSERT_EQ(rows.size(), expected.size());
        EXPECT_EQ(std::memcmp(rows.data(), expected.data(), rows.size() * sizeof rows[0]), 0);
        std::remove(path.c_str());
    }
}

TEST_F(CraftedDll, ABaseThatCannotBeHadIsRefusedSayingWhy) {
    // Where this test's own code lies is taken for sure.
    const auto taken = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&reportRows)) & ~0xFFFFu;
    struct Case {
        uint32_t base;
        std::string why;
    };
    const std::vector<Case> cases = {
        {taken, " is taken by another mapping (0x"},
        {0, " lies below the lowest address this system maps (0x"},
        {0xFFFF0000u, " leaves no room for its " + std::to_string(dll_.imageSize()) + " bytes below 4 GiB"},
        {dll_.imageBase() + 0x800, " is not a multiple of the page size"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        DllBytes d = dll_;
        d.put16(d.characteristicsOffset(), static_cast<uint16_t>(d.u16(d.characteristicsOffset()) | 1));
        d.put32(d.optionalHeader() + 28, c.base);
        const std::string path = d.write("based.dll");
        std::string error;
        EXPECT_EQ(host::Module::load(path, error), nullptr);
        char base[16];
        std::snprintf(base, sizeof base, "0x%X", c.base);
        const std::string expected = "cannot load module " + path + ": has no base relocations, and its base " + base + c.why;
        EXPECT_EQ(error.substr(0, expected.size()), expected) << error;
        std::remove(path.c_str());
    }
}

#endif

} // namespace
