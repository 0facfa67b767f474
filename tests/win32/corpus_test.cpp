// The corpus of 134 corruptions of ZRX.dll, through the command as a user
// runs it: each ends in a clean load, a refusal (status 2, one line) or the
// module's failure (status 3, one line), never in a signal, an abort or a
// silent exit. Those the loader refuses from the bytes alone are loaded in
// this process too.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>

#include "core/module.h"
#include "corruptions.h"
#include "run_command.h"

namespace {

using zrxtest::Corruption;
using zrxtest::DllBytes;

size_t lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// The lines of a run's standard error other than what the view passed over
// of the demo's configuration (its offline agent), which a clean load says.
size_t linesBesidesNotSeen(const std::string& text) {
    size_t count = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        if (text.compare(at, 29, "mentrenq: warning: not seen: ") != 0) ++count;
        at = end + 1;
    }
    return count;
}

class Corpus : public testing::TestWithParam<std::string> {};

TEST(CorpusSize, HasOneHundredAndThirtyFourKinds) {
    const DllBytes dll = DllBytes::read(ZRX_WIN32_DLL);
    if (dll.empty()) GTEST_SKIP() << "ZRX.dll not built";
    EXPECT_EQ(zrxtest::corruptions(dll).size(), 134u);
}

TEST_P(Corpus, EachEndsInALoadARefusalOrTheModulesFailure) {
    const DllBytes dll = DllBytes::read(ZRX_WIN32_DLL);
    if (dll.empty()) GTEST_SKIP() << "ZRX.dll not built";
    std::map<int, size_t> byStatus;
    for (const Corruption& c : zrxtest::corruptions(dll)) {
        if (c.kind != GetParam()) continue;
        SCOPED_TRACE(c.name);
        DllBytes bad = dll;
        c.apply(bad);
        const std::string path = bad.write("corpus.dll");
        if (c.kind != "code") {
            std::string error;
            try {
                auto module = host::Module::load(path, error);
                if (!module) {
                    EXPECT_EQ(lines(error), 0u) << error;
                }
            } catch (const host::ModuleFailure& failure) {
                EXPECT_EQ(lines(failure.what()), 0u) << failure.what();
            }
        }
        const auto r = clitest::runMentrenq({"query", "--report", "--module", path});
        ++byStatus[r.exitCode];
        switch (r.exitCode) {
        case 0:
            EXPECT_FALSE(r.out.empty());
            EXPECT_EQ(linesBesidesNotSeen(r.err), 1u) << r.err; // the summary line
            break;
        case 2:
            EXPECT_EQ(r.err.rfind("mentrenq: cannot load module " + path + ": ", 0), 0u) << r.err;
            EXPECT_EQ(lines(r.err), 1u) << r.err;
            EXPECT_EQ(r.out, "");
            break;
        case 3:
            EXPECT_EQ(r.err.rfind("mentrenq: module " + path + " failed: ", 0), 0u) << r.err;
            EXPECT_EQ(lines(r.err), 1u) << r.err;
            break;
        default: ADD_FAILURE() << "exit " << r.exitCode << "\n" << r.err;
        }
        std::remove(path.c_str());
    }
    std::cout << "[ corpus   ] " << GetParam() << ":";
    for (const auto& [status, n] : byStatus) std::cout << " " << n << " with status " << status << ";";
    std::cout << "\n";
}

INSTANTIATE_TEST_SUITE_P(Kinds, Corpus, testing::Values("headers", "sections", "directories", "code"));

} // namespace
