// ZRX.dll with its code patched to fault, or to break the calling
// convention: a fault of the DLL's own code while DllMain, cnt1entd or an
// entry runs is the module's failure, named with its signal and its offset
// in the DLL, and the command exits 3; a DllMain that leaves the stack or
// the registers wrong does not hurt the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "core/module.h"
#include "core/session_run.h"
#include "dll_bytes.h"
#include "run_command.h"
#include "scenarios/texts.h"
#include "support/host_fixture.h"

#if ZRX_PE_LOADER

namespace {

using zrxtest::DllBytes;

const std::vector<uint8_t> ud2 = {0x0F, 0x0B};
// xor eax, eax; mov eax, [eax]
const std::vector<uint8_t> nullRead = {0x31, 0xC0, 0x8B, 0x00};
// xor ecx, ecx; div ecx
const std::vector<uint8_t> divideByZero = {0x31, 0xC9, 0xF7, 0xF1};
// mov eax, 0x1000; call eax
const std::vector<uint8_t> callNowhere = {0xB8, 0x00, 0x10, 0x00, 0x00, 0xFF, 0xD0};
// call itself, for ever
const std::vector<uint8_t> recurse = {0xE8, 0xFB, 0xFF, 0xFF, 0xFF};

std::string hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

size_t mappings() {
    std::ifstream maps("/proc/self/maps");
    return static_cast<size_t>(std::count(std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>(), '\n'));
}

class DllFaults : public testing::Test {
protected:
    void SetUp() override {
        dll_ = DllBytes::read(ZRX_WIN32_DLL);
        if (dll_.empty()) GTEST_SKIP() << "ZRX.dll not built";
    }
    std::string patched(uint32_t rva, const std::vector<uint8_t>& code, const std::string& name) {
        DllBytes d = dll_;
        d.patchCode(rva, code);
        return d.write(name);
    }
    // What Module::load throws for the file, or "" when it loads.
    std::string loadFailure(const std::string& path) {
        std::string error;
        try {
            auto module = host::Module::load(path, error);
            EXPECT_NE(module, nullptr) << error;
        } catch (const host::ModuleFailure& failure) {
            return failure.what();
        }
        return "";
    }
    uint32_t sessionStart() const { return dll_.symbolRva("__ZN3zrx8enqmlcssEjPNS_10HostObjectE"); }

    DllBytes dll_;
};

TEST_F(DllFaults, AFaultWhileLoadingIsTheModulesFailureWithItsSignalAndOffset) {
    const uint32_t entry = dll_.entryPoint();
    const uint32_t cnt1entd = dll_.exportRva(10);
    struct Case {
        const char* name;
        uint32_t rva;
        const std::vector<uint8_t>& code;
        std::string fault;
    };
    const std::vector<Case> cases = {
        {"ud2", entry, ud2, "SIGILL at offset " + hex(entry) + " in the DLL, while its DllMain ran"},
        {"call_nowhere", entry, callNowhere,
         "SIGSEGV at offset " + hex(entry + 7) + " in the DLL (a call to 0x1000, where no code is), while its DllMain ran"},
        {"stack_overflow", entry, recurse, "SIGSEGV at offset " + hex(entry) + " in the DLL, while its DllMain ran"},
        {"null_read", cnt1entd, nullRead, "SIGSEGV at offset " + hex(cnt1entd + 2) + " in the DLL, while cnt1entd ran"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = patched(c.rva, c.code, std::string(c.name) + ".dll");
        const size_t before = mappings();
        EXPECT_EQ(loadFailure(path), "module " + path + " failed: " + c.fault);
        EXPECT_EQ(mappings(), before);
        std::remove(path.c_str());
    }
}

TEST_F(DllFaults, AFaultInAnEntryEndsTheModuleAndNothingCallsItAgain) {
    const std::string path = patched(sessionStart() , divideByZero, "div.dll");
    std::string error;
    auto module = host::Module::load(path, error);
    ASSERT_NE(module, nullptr) << error;
    zrxtest::HostFixture fx(scenarios::demoEnterpriseSql());
    {
        host::Session session(fx.host(), *module);
        try {
            session.start();
            ADD_FAILURE() << "no failure";
        } catch (const host::ModuleFailure& failure) {
            EXPECT_EQ(std::string(failure.what()), "module " + path + " failed: SIGFPE at offset " +
                                                       hex(sessionStart() + 2) +
                                                       " in the DLL, while its session start entry ran");
        }
    }
    host::Session again(fx.host(), *module);
    try {
        again.start();
        ADD_FAILURE() << "no failure";
    } catch (const host::ModuleFailure& failure) {
        EXPECT_EQ(std::string(failure.what()), "module " + path + " failed earlier and is not called again");
    }
    module.reset(); // no DllMain for the detach of a failed DLL
    EXPECT_EQ(fx.host().storageOutstanding(), 0u);

    const auto r = clitest::runMentrenq({"query", "--report", "--module", path});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "mentrenq: module " + path + " failed: SIGFPE at offset " + hex(sessionStart() + 2) +
                         " in the DLL, while its session start entry ran\n");
    std::remove(path.c_str());
}

// DllMain returning with `ret` (the stack 12 bytes off) or with the
// callee-saved registers clobbered: the host's frame puts both right.
TEST_F(DllFaults, ADllMainThatBreaksTheCallingConventionDoesNotHurtTheHost) {
    const std::vector<std::vector<uint8_t>> mains = {
        {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3},
        {0x31, 0xDB, 0x31, 0xF6, 0x31, 0xFF, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xC2, 0x0C, 0x00},
    };
    for (const auto& code : mains) {
        const std::string path = patched(dll_.entryPoint(), code, "convention.dll");
        std::string error;
        auto module = host::Module::load(path, error);
        ASSERT_NE(module, nullptr) << error;
        zrxtest::HostFixture fx(scenarios::demoEnterpriseSql());
        host::SessionOptions options;
        options.predicates = zrxtest::HostFixture::report();
        host::Session session(fx.host(), *module, options);
        const host::SessionRun run = host::runSession(session);
        EXPECT_EQ(run.last(), zrx::entry::noMoreRows);
        EXPECT_GE(run.rows.size(), 5u);
        std::remove(path.c_str());
    }
}

} // namespace

#endif
