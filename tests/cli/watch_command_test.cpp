// watch when standard output is not a terminal: one plain frame per
// refresh, each opened by its time line, until --count; its options.
#include <gtest/gtest.h>

#include <filesystem>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

std::vector<std::string> framesOf(const std::string& out) {
    std::vector<std::string> frames;
    std::size_t at = 0;
    while (at < out.size()) {
        std::size_t end = out.find("\n\n", at);
        if (end == std::string::npos) end = out.size();
        frames.push_back(out.substr(at, end - at));
        at = end + 2;
    }
    return frames;
}

TEST(WatchCommand, WritesOnePlainFramePerRefreshUntilTheCount) {
    auto r = runMentrenq({"watch", "--enqplex", "MIMPLEX", "--every", "0.1", "--count", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto frames = framesOf(r.out);
    ASSERT_EQ(frames.size(), 3u) << r.out;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const std::string title = "mentrenq watch  the built-in demo  every 0.1 s  refresh " + std::to_string(i + 1) + " at ";
        EXPECT_EQ(frames[i].rfind(title, 0), 0u) << frames[i];
        EXPECT_NE(frames[i].find("snapshot built in  view "), std::string::npos);
        EXPECT_NE(frames[i].find("  status 62: "), std::string::npos);
        EXPECT_NE(frames[i].find("\n2 contended resources, 3 waiting tasks   (+ new since the last refresh)\n"
                                 "Not seen: 1 System not asked for its tasks on resources that other PlexHubs "
                                 "reported (no online agent node gives a thru-node)\n"
                                 "  SYSDSN AR.PROD.INVOICE.KSDS (MIMPLEX)  2 owners, 2 waiters, longest wait 118 s\n"
                                 "      owner  ARNIGHT  on CICA     ASID X'0055'  exclusive  true owner\n"),
                  std::string::npos)
            << frames[i];
        EXPECT_EQ(frames[i].find("\n+ "), std::string::npos) << "an unchanged snapshot marks nothing";
        EXPECT_EQ(frames[i].find("+ waiter"), std::string::npos);
    }
}

TEST(WatchCommand, EveryFrameSaysWhatTheViewPassedOver) {
    // The demo's PRDE has no online agent: its tasks are not in the picture.
    auto r = runMentrenq({"watch", "--every", "0.1", "--count", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto frames = framesOf(r.out);
    ASSERT_EQ(frames.size(), 2u) << r.out;
    for (const auto& frame : frames) EXPECT_NE(frame.find("\nNot seen: 1 System not asked"), std::string::npos) << frame;
}

TEST(WatchCommand, AFailedViewIsSaidInEachFrameAndInTheExitStatus) {
    auto r = runMentrenq({"watch", "--storage-limit", "1000", "--every", "0.1", "--count", "2"});
    EXPECT_EQ(r.exitCode, 3);
    const auto frames = framesOf(r.out);
    ASSERT_EQ(frames.size(), 2u) << r.out;
    for (const auto& frame : frames) EXPECT_NE(frame.find("\n! status "), std::string::npos) << frame;
}

TEST(WatchCommand, RefusesWhatItCannotWatch) {
    const std::string missing = clitest::temporaryFile("watch-missing.db");
    std::filesystem::remove(missing);
    struct Case {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"watch", "--every", "0"}, "mentrenq: --every: must be a number of seconds from 0.1 to 3600, not \"0\"\n"},
        {{"watch", "--every", "1.2.3"}, "mentrenq: --every: must be a number of seconds from 0.1 to 3600, not \"1.2.3\"\n"},
        {{"watch", "--every", "3601"}, "mentrenq: --every: must be a number of seconds from 0.1 to 3600, not \"3601\"\n"},
        {{"watch", "--count", "0"}, "mentrenq: --count: must be a whole number from 1 to 2147483647, not \"0\"\n"},
        {{"watch", "--enqplex", "NOPLEX"}, "mentrenq: the snapshot has no Enqplex NOPLEX; its Enqplexes are PRODENQ, MIMPLEX, *DEFAULT\n"},
        {{"watch", "--db", missing}, ""},
    };
    for (const auto& c : cases) {
        auto r = runMentrenq(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.back();
        EXPECT_EQ(r.out, "");
        if (*c.error) EXPECT_EQ(r.err.substr(0, std::string(c.error).size()), c.error);
        else EXPECT_EQ(r.err.rfind("mentrenq: no snapshot file ", 0), 0u) << r.err;
    }
}

} // namespace
