// ZRX.dll loaded by the host's PE loader: mapped with each section's
// protection, its imports bound to the platform functions of their DLL and
// ordinal, DllMain run, registered through export ordinal 10, and unmapped
// when the module is unloaded.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "core/module.h"
#include "dll_bytes.h"
#include "platform/base_library.h"
#include "remote/windows_host.h"
#include "zrx/platform.h"

#if ZRX_PE_LOADER
#include "pe/load_plan.h"
#include "pe/provided_imports.h"
#include "pe32/host_functions.h"
#include "pe32/system_shims.h"

namespace {

using zrxtest::DllBytes;

struct Mapping {
    uintptr_t begin = 0, end = 0;
    std::string permissions;
};

std::vector<Mapping> mappingsWithin(uintptr_t begin, uintptr_t end) {
    std::vector<Mapping> out;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        Mapping m;
        char dash = 0;
        std::istringstream in(line);
        in >> std::hex >> m.begin >> dash >> m.end >> m.permissions;
        if (m.begin < end && m.end > begin) out.push_back(m);
    }
    return out;
}

std::string permissionsAt(uintptr_t address) {
    for (const Mapping& m : mappingsWithin(address, address + 1)) return m.permissions;
    return "unmapped";
}

class LoadedDll : public testing::Test {
protected:
    void SetUp() override {
        dll_ = DllBytes::read(ZRX_WIN32_DLL);
        if (dll_.empty()) GTEST_SKIP() << "ZRX.dll not built";
        const uint64_t attachesBefore = host::pe32::kernel32Calls().disableThreadLibraryCalls;
        std::string error;
        module_ = host::Module::load(ZRX_WIN32_DLL, error);
        ASSERT_NE(module_, nullptr) << error;
        // DllMain ran, and told the system of itself: its module handle is
        // the image's load address.
        ASSERT_EQ(host::pe32::kernel32Calls().disableThreadLibraryCalls, attachesBefore + 1);
        base_ = reinterpret_cast<uintptr_t>(host::pe32::kernel32Calls().lastModule);
    }
    uint32_t word(uint32_t rva) const {
        uint32_t w = 0;
        std::memcpy(&w, reinterpret_cast<const void*>(base_ + rva), sizeof w);
        return w;
    }
    bool inImage(const void* p) const {
        const auto a = reinterpret_cast<uintptr_t>(p);
        return a >= base_ && a < base_ + dll_.imageSize();
    }

    DllBytes dll_;
    std::unique_ptr<host::Module> module_;
    uintptr_t base_ = 0;
};

TEST_F(LoadedDll, RegistersEntriesOfTheImageAndTheBaseLibrarysOrdinal55) {
    EXPECT_TRUE(module_->windowsDll);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(base_), "MZ", 2), 0);
    // The relocated records: every reference points into the mapped image.
    const zrx::RegistrationRecord* rec = module_->registration;
    EXPECT_TRUE(inImage(rec));
    EXPECT_TRUE(inImage(rec->table));
    EXPECT_TRUE(inImage(reinterpret_cast<const void*>(module_->sessionStart)));
    EXPECT_TRUE(inImage(reinterpret_cast<const void*>(module_->request)));
    EXPECT_TRUE(inImage(reinterpret_cast<const void*>(module_->sessionEnd)));
    // Stored by DllMain from the import address table: the host's function.
    EXPECT_EQ(reinterpret_cast<void*>(rec->ordinal55), reinterpret_cast<void*>(&zentrix_ComponentService));
    const char *version = nullptr, *date = nullptr, *time = nullptr;
    module_->version(&version, &date, &time);
    EXPECT_STREQ(version, "V130");
    EXPECT_STREQ(date, "Dec 28 2004");
    EXPECT_STREQ(time, "19:34:20");
    EXPECT_TRUE(inImage(version));
}

// The mapping of include/zrx/platform.h: each DLL and ordinal (or name) of
// the import table holds the platform function of that number.
TEST_F(LoadedDll, EachPlatformImportSlotHoldsTheFunctionOfItsOrdinalOrName) {
    const std::map<std::pair<std::string, std::string>, void*> expected = {
        {{"qvd.dll", "TRX5_Sync"}, reinterpret_cast<void*>(&TRX5_Sync)},
        {{"qvd.dll", "TRX5_Event"}, reinterpret_cast<void*>(&TRX5_Event)},
        {{"qvd.dll", "TRX5_Printf"}, reinterpret_cast<void*>(&TRX5_Printf)},
        {{"zentrix.dll", "#3"}, reinterpret_cast<void*>(&zentrix_NotifySessionStart)},
        {{"zentrix.dll", "#4"}, reinterpret_cast<void*>(&zentrix_NotifySessionEnd)},
        {{"zentrix.dll", "#54"}, reinterpret_cast<void*>(&zentrix_RegisterComponent)},
        {{"zentrix.dll", "#55"}, reinterpret_cast<void*>(&zentrix_ComponentService)},
        {{"HOLMVAR.dll", "#6"}, reinterpret_cast<void*>(&HOLMVAR_ServerContext)},
        {{"PRUVANTE.dll", "#1"}, reinterpret_cast<void*>(&PRUVANTE_CreatePath)},
    };
    host::pe::LoadPlan plan;
    std::string error;
    ASSERT_TRUE(host::pe::readLoadPlan(dll_.bytes, plan, error)) << error;
    size_t platformSlots = 0;
    for (const auto& lib : plan.imports) {
        for (const auto& slot : lib.slots) {
            const std::string key = slot.ordinal ? "#" + std::to_string(slot.ordinal) : std::string(slot.name);
            auto it = expected.find({lib.dll, key});
            const uint32_t bound = word(slot.iatRva);
            if (it == expected.end()) {
                // A system function: a shim of the host, outside the image.
                EXPECT_NE(bound, 0u) << lib.dll << " " << key;
                EXPECT_FALSE(inImage(reinterpret_cast<const void*>(bound))) << lib.dll << " " << key;
                continue;
            }
            ++platformSlots;
            EXPECT_EQ(bound, reinterpret_cast<uintptr_t>(it->second)) << lib.dll << " " << key;
        }
    }
    EXPECT_EQ(platformSlots, expected.size());
}

TEST_F(LoadedDll, MapsHeadersAndEachSectionWithItsProtectionAndUnmapsOnUnload) {
    // qemu-user's emulated maps show no execute permission, not even for
    // this program's own code: then only read and write are compared.
    const bool showsExecute = permissionsAt(reinterpret_cast<uintptr_t>(&permissionsAt))[2] == 'x';
    auto shown = [&](std::string p) {
        if (!showsExecute) p[2] = '-';
        return p;
    };
    EXPECT_EQ(permissionsAt(base_), "r--p");
    for (const auto& s : dll_.sections()) {
        SCOPED_TRACE(s.name);
        std::string expected = "---p";
        if (s.flags & 0x40000000) expected[0] = 'r';
        if (s.flags & 0x80000000) expected[1] = 'w';
        if (s.flags & 0x20000000) expected[2] = 'x';
        EXPECT_EQ(permissionsAt(base_ + s.rva), shown(expected));
        EXPECT_EQ(permissionsAt(base_ + s.rva + s.virtualSize - 1), shown(expected));
    }
    EXPECT_EQ(permissionsAt(base_ + dll_.section(".text").rva), shown("r-xp"));
    EXPECT_EQ(permissionsAt(base_ + dll_.section(".data").rva), "rw-p");
    module_.reset();
    EXPECT_TRUE(mappingsWithin(base_, base_ + dll_.imageSize()).empty());
}

// A failure after DllMain ran (here the base library refuses the
// registration) unloads the image again.
TEST(LoadedDllFailure, ARefusedRegistrationLeavesNothingMapped) {
    if (std::string(ZRX_WIN32_DLL).empty()) GTEST_SKIP() << "ZRX.dll not built";
    const auto before = mappingsWithin(0, UINTPTR_MAX).size();
    platform::setRegistrationStatus(12);
    std::string error;
    auto module = host::Module::load(ZRX_WIN32_DLL, error);
    platform::setRegistrationStatus(0);
    EXPECT_EQ(module, nullptr);
    EXPECT_EQ(error, std::string("cannot load module ") + ZRX_WIN32_DLL +
                         ": module registration failed with status 12");
    EXPECT_EQ(mappingsWithin(0, UINTPTR_MAX).size(), before);
}

// The 32-bit host binds what the list of provided imports names, no more
// and no less: the 64-bit host checks a DLL against that list before Wine
// runs it, so both refuse the same imports.
TEST(LoadedDllImports, TheHostsFunctionsAreExactlyTheProvidedImports) {
    const auto provided = host::pe::providedImports();
    const auto bound = host::pe32::hostFunctions();
    ASSERT_EQ(bound.size(), provided.size());
    for (size_t i = 0; i < bound.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(bound[i].dll, provided[i].dll);
        EXPECT_EQ(bound[i].ordinal, provided[i].ordinal);
        EXPECT_STREQ(bound[i].name ? bound[i].name : "", provided[i].name ? provided[i].name : "");
        EXPECT_NE(bound[i].address, 0u);
    }
}

// msvcrt's _vsnprintf, as the module's snprintf gets it: the Microsoft
// results on truncation, which MinGW's C99 wrapper in the DLL relies on.
int vsnprintfOf(char* buffer, size_t count, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = host::pe32::msvcrtVsnprintf(buffer, count, format, args);
    va_end(args);
    return n;
}

TEST(MsvcrtShim, VsnprintfTruncatesWithoutTerminatingAsMicrosoftsDoes) {
    char b[8];
    std::memset(b, '#', sizeof b);
    EXPECT_EQ(vsnprintfOf(b, 8, "%s-%2.2hX", "ab", static_cast<unsigned short>(0x1F)), 5);
    EXPECT_EQ(std::string(b), "ab-1F");
    std::memset(b, '#', sizeof b);
    EXPECT_EQ(vsnprintfOf(b, 5, "%s-%d", "ab", 12), 5); // fits exactly, no NUL
    EXPECT_EQ(std::string(b, 6), "ab-12#");
    std::memset(b, '#', sizeof b);
    EXPECT_EQ(vsnprintfOf(b, 4, "%s-%d", "ab", 12), -1);
    EXPECT_EQ(std::string(b, 5), "ab-1#");
    EXPECT_EQ(vsnprintfOf(nullptr, 0, "%s-%d", "ab", 12), 5);
    EXPECT_EQ(vsnprintfOf(nullptr, 3, "%s", "ab"), -1);
}

} // namespace

#else

#include <cstdlib>

#include "run_command.h"

namespace {

// Sets an environment variable for the life of the object.
class Variable {
public:
    Variable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        had_ = std::getenv(name) != nullptr;
        ::setenv(name, value.c_str(), 1);
    }
    ~Variable() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

std::string loadError() {
    std::string error;
    EXPECT_EQ(host::Module::load(ZRX_WIN32_DLL, error), nullptr);
    return error;
}

const std::string underWine = "a 32-bit Windows DLL, which this mentrenq runs under Wine, but ";

// Without a usable Wine the DLL is refused with one line that says what is
// missing; each thing that can be missing is found before anything runs.
TEST(WindowsHost, WithoutWineTheDllIsRefusedNamingWhatIsMissing) {
    if (std::string(ZRX_WIN32_DLL).empty()) GTEST_SKIP() << "ZRX.dll not built";
    const std::string failed = std::string("cannot load module ") + ZRX_WIN32_DLL + ": " + underWine;
    {
        Variable wine("MENTRENQ_WINE", "");
        Variable path("PATH", "/nonexistent");
        EXPECT_EQ(loadError(), failed + "Wine is not installed (packages wine and wine32:i386)");
    }
    {
        Variable wine("MENTRENQ_WINE", "/nonexistent/wi\nne");
        EXPECT_EQ(loadError(), failed + "MENTRENQ_WINE names /nonexistent/wi\\x0Ane, which is not a program");
    }
    {
        Variable wine("MENTRENQ_WINE", "/bin/true");
        Variable windowsHost("MENTRENQ_WINDOWS_HOST", "/nonexistent/zrxhost.exe");
        EXPECT_EQ(loadError(), failed + "its Windows host /nonexistent/zrxhost.exe is not there (it is cross-built "
                                        "with g++-mingw-w64-i686)");
    }
}

// A Wine that cannot run the Windows host (here a stand-in that fails as
// Wine without its 32-bit part does): its exit and its last line are the
// reason, on one line.
TEST(WindowsHost, AWineThatCannotRunTheHostIsReportedWithItsOwnReason) {
    if (std::string(ZRX_WIN32_DLL).empty()) GTEST_SKIP() << "ZRX.dll not built";
    const std::string fake = clitest::temporaryFile("wine");
    {
        std::ofstream script(fake);
        script << "#!/bin/sh\necho 'wine: loading the program' >&2\n"
                  "echo 'it looks like wine32 is missing, you should install it.' >&2\nexit 1\n";
    }
    ASSERT_EQ(::chmod(fake.c_str(), 0700), 0);
    Variable wine("MENTRENQ_WINE", fake);
    const std::string reason = "Wine does not run the 32-bit Windows host here (exit status 1: it looks like wine32 "
                               "is missing, you should install it.); it needs wine32:i386 and a kernel that runs "
                               "32-bit programs";
    EXPECT_EQ(loadError(), std::string("cannot load module ") + ZRX_WIN32_DLL + ": " + underWine + reason);
    std::string missing;
    EXPECT_FALSE(host::remote::windowsHostRuns(missing));
    EXPECT_EQ(missing, reason);

    // The command: a usage error, one line, nothing on standard output.
    clitest::RunOptions options;
    const auto r = clitest::runMentrenq({"query", "--report", "--module", ZRX_WIN32_DLL}, options);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("mentrenq: cannot load module ") + ZRX_WIN32_DLL + ": " + underWine + reason + "\n");
    std::remove(fake.c_str());
}

// Wine is started quiet and without offering its .NET and HTML engines to a
// new prefix, unless the user's environment says otherwise.
TEST(WindowsHost, WineStartsQuietUnlessTheUserSaysOtherwise) {
    if (std::string(ZRX_WIN32_DLL).empty()) GTEST_SKIP() << "ZRX.dll not built";
    const std::string fake = clitest::temporaryFile("wine");
    {
        std::ofstream script(fake);
        script << "#!/bin/sh\necho \"debug=$WINEDEBUG overrides=$WINEDLLOVERRIDES\" >&2\nexit 1\n";
    }
    ASSERT_EQ(::chmod(fake.c_str(), 0700), 0);
    Variable wine("MENTRENQ_WINE", fake);
    {
        Variable debug("WINEDEBUG", "");
        Variable overrides("WINEDLLOVERRIDES", "");
        ::unsetenv("WINEDEBUG");
        ::unsetenv("WINEDLLOVERRIDES");
        EXPECT_NE(loadError().find("(exit status 1: debug=-all overrides=mscoree,mshtml=)"), std::string::npos)
            << loadError();
    }
    {
        Variable debug("WINEDEBUG", "err+all");
        Variable overrides("WINEDLLOVERRIDES", "mshtml=b");
        EXPECT_NE(loadError().find("(exit status 1: debug=err+all overrides=mshtml=b)"), std::string::npos)
            << loadError();
    }
    std::remove(fake.c_str());
}

} // namespace

#endif
