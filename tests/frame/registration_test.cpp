// The module's export and its static records, as the host walks them, in
// the linked module and in the real ZRX.so.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "frame/entries.h"
#include "frame/work_area.h"
#include "platform/base_library.h"
#include "zrx/platform.h"
#include "support/host_fixture.h"

namespace {

TEST(Registration, EntryVectorHoldsTheEntriesByPlaceAndZerosElsewhere) {
    ASSERT_EQ(cnt1entd(), 0);
    const zrx::RegistrationRecord* rec = platform::registeredComponent();
    ASSERT_EQ(rec, &zrx::registrationRecord);
    EXPECT_EQ(std::string(rec->name), "ZRXENQML");
    for (size_t i = 8; i < sizeof rec->name; ++i) ASSERT_EQ(rec->name[i], '\0');
    EXPECT_EQ(rec->tableCount, 1u);
    EXPECT_EQ(reinterpret_cast<void*>(rec->ordinal55), reinterpret_cast<void*>(&zentrix_ComponentService));
    const zrx::ComponentEntry& entry = rec->table[0];
    EXPECT_EQ(std::string(entry.name), "ZRXENQML");
    for (size_t i = 8; i < sizeof entry.name; ++i) ASSERT_EQ(entry.name[i], '\0');

    const zrx::EntryVector& v = *entry.vector;
    EXPECT_EQ(v.count, 23u);
    const std::set<int> filled = {0, 3, 5, 8, 11};
    for (int i = 0; i < 23; ++i)
        if (!filled.count(i)) {
            EXPECT_EQ(v.words[i], 0u) << "word " << i;
        }
    EXPECT_EQ(v.words[0], 130u);
    EXPECT_EQ(v.words[3], reinterpret_cast<uintptr_t>(&zrx::enqmlcss));
    EXPECT_EQ(v.words[5], reinterpret_cast<uintptr_t>(&zrx::enqmlcpr));
    EXPECT_EQ(v.words[8], reinterpret_cast<uintptr_t>(&zrx::enqmlcts));
    EXPECT_EQ(v.words[11], reinterpret_cast<uintptr_t>(&zrx::versionInfo));

    // The pair of words before the component table: build information, 0.
    const auto* pair = reinterpret_cast<const uintptr_t*>(rec->table) - 2;
    EXPECT_EQ(pair[0], reinterpret_cast<uintptr_t>(&zrx::buildInfo));
    EXPECT_EQ(pair[1], 0u);
}

TEST(Registration, RegistrationStatusIsTheExportsResult) {
    platform::setRegistrationStatus(12);
    EXPECT_EQ(cnt1entd(), 12);
    platform::setRegistrationStatus(0);
    EXPECT_EQ(cnt1entd(), 0);
}

TEST(Registration, VersionRoutineAndBuildRecord) {
    const char *version = nullptr, *date = nullptr, *time = nullptr;
    zrx::versionInfo(&version, &date, &time);
    EXPECT_STREQ(version, "V130");
    EXPECT_STREQ(date, "Dec 28 2004");
    EXPECT_STREQ(time, "19:34:20");

    const zrx::BuildRecord* build = nullptr;
    zrx::buildInfo(&build);
    ASSERT_NE(build, nullptr);
    EXPECT_EQ(build->attributeCount, 18);
    EXPECT_EQ(build->noticeCount, 3);
    EXPECT_STREQ(build->attributes[0], "Dec 28 2004");
    EXPECT_STREQ(build->attributes[1], "19:34:25");
    for (int i = 0; i < 18; ++i) EXPECT_NE(build->attributes[i], nullptr);
    EXPECT_STREQ(build->notices[2], "");
}

TEST(Registration, RealModuleLoadsAndRunsASession) {
    zrxtest::HostFixture fx("", ZRX_MODULE_FILE);
    const char *version = nullptr, *date = nullptr, *time = nullptr;
    fx.module().version(&version, &date, &time);
    EXPECT_STREQ(version, "V130");
    auto s = fx.session();
    EXPECT_EQ(s->start(), 0);
    EXPECT_EQ(s->storageOutstanding(), sizeof(zrx::workA)) << "the work area, as the linked module";
    EXPECT_EQ(s->end(), 0);
    EXPECT_FALSE(s->liveAtEnd().any()) << "the module dropped its path itself";
}

TEST(Registration, RealModuleExportsOnlyItsEntryFunction) {
    std::string command = std::string("nm -D --defined-only ") + ZRX_MODULE_FILE;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::set<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) symbols.insert(name);
    }
    EXPECT_EQ(symbols, std::set<std::string>{"cnt1entd"});
}

TEST(Registration, LoadingAFileThatIsNoModuleFails) {
    // A text file named like a module.
    const std::string text = ::testing::TempDir() + "not_a_module.so";
    std::FILE* f = std::fopen(text.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("this is no module\n", f);
    std::fclose(f);
    std::string error;
    EXPECT_EQ(host::Module::load(text, error), nullptr);
    EXPECT_EQ(error, "cannot load module " + text + ": neither an ELF shared object nor a Windows DLL");
    std::remove(text.c_str());

    // A shared object that is not the view module: it lacks the entry.
    const std::string library = std::string(ZRX_MODULE_FILE).substr(0, std::string(ZRX_MODULE_FILE).rfind('/')) +
                                "/libHOLMVAR.so";
    error.clear();
    EXPECT_EQ(host::Module::load(library, error), nullptr);
    EXPECT_EQ(error, "module " + library + " does not export cnt1entd");

    error.clear();
    EXPECT_EQ(host::Module::load("/nonexistent/ZRX.so", error), nullptr);
    EXPECT_EQ(error.rfind("cannot load module /nonexistent/ZRX.so", 0), 0u) << error;
}

} // namespace
