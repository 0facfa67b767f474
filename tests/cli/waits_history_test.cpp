// waits over the samples of a history (--history, --for) and watch
// recording every refresh into one: a level raised only when it held in each
// of the last samples, UNKNOWN for a failed or missing one.
#include <gtest/gtest.h>

#include <filesystem>

#include "run_command.h"
#include "timeline_files.h"

namespace {

using clitest::runMentrenq;

class WaitsHistory : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& path : files_) std::filesystem::remove(path);
    }

    // A history of one sample per entry, a minute apart (or at the given
    // minutes past 08:00): the longest wait of SYSDSN PAY.MASTER held by
    // PAYJOB, with two waiters; -1 for a sample whose view failed.
    std::string historyOf(const std::string& name, const std::vector<int>& longest, std::vector<int> minutes = {}) {
        const std::string history = file(name + ".history");
        std::vector<std::string> args = {"record", "--history", history};
        for (std::size_t i = 0; i < longest.size(); ++i) {
            const std::string snapshot = file(name + "-" + std::to_string(i) + ".db");
            const int minute = minutes.empty() ? static_cast<int>(i) : minutes[i];
            const std::string at = "2026-12-10T08:" + std::string(minute < 10 ? "0" : "") + std::to_string(minute) + ":00Z";
            const int wait = longest[i] < 0 ? 10 : longest[i];
            clitest::writeTinySnapshot(snapshot, at, {{"SYSDSN", "PAY.MASTER", "PAYJOB", {wait, 5}}}, longest[i] < 0);
            args.push_back(snapshot);
        }
        const auto r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return history;
    }

    std::string file(const std::string& name) {
        files_.push_back(clitest::temporaryFile(name));
        std::filesystem::remove(files_.back());
        return files_.back();
    }

private:
    std::vector<std::string> files_;
};

clitest::CommandResult waits(const std::string& history, std::vector<std::string> more) {
    std::vector<std::string> args = {"waits", "--history", history, "--warning", "200", "--critical", "300"};
    args.insert(args.end(), more.begin(), more.end());
    return runMentrenq(args);
}

TEST_F(WaitsHistory, ALevelCountsOnlyWhenItHeldInEachOfTheLastSamples) {
    const std::string held = historyOf("held", {100, 400, 500, 350});
    auto r = waits(held, {"--for", "3"});
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_EQ(r.out, "MENTRENQ WAITS CRITICAL - longest wait 350 s on SYSDSN PAY.MASTER, held by PAYJOB on SYSA (in each "
                     "of the last 3 samples) | longest_wait=350s;200;300;0; waiters=2;;;0; resources=1;;;0;\n");
    EXPECT_EQ(waits(held, {"--for", "4"}).exitCode, 0) << "100 s broke it";
    EXPECT_EQ(waits(held, {}).exitCode, 2) << "the last sample alone";

    const std::string broken = historyOf("broken", {400, 250, 350});
    EXPECT_EQ(waits(broken, {"--for", "3"}).exitCode, 1) << "only the warning held throughout";
    EXPECT_EQ(waits(broken, {"--for", "2"}).exitCode, 1);
    EXPECT_EQ(waits(broken, {"--for", "1"}).exitCode, 2);

    r = waits(broken, {"--for", "3", "--format", "json"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\"samples\": 3,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"taken\": \"2026-12-10T08:02:00Z\","), std::string::npos) << r.out;
}

TEST_F(WaitsHistory, AFailedOrMissingSampleGivesUnknown) {
    const std::string failed = historyOf("failed", {400, -1, 350});
    auto r = waits(failed, {"--for", "3"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out.rfind("MENTRENQ WAITS UNKNOWN - the sample of 2026-12-10T08:01:00Z failed: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("| longest_wait=350s;200;300;0;"), std::string::npos) << "the figures of the last sample";
    EXPECT_EQ(waits(failed, {"--for", "1"}).exitCode, 2) << "the failure is older than the samples judged";
    r = waits(failed, {"--for", "5"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out.rfind("MENTRENQ WAITS UNKNOWN - the history holds 3 samples, 5 are needed |", 0), 0u) << r.out;

    // The recorder missed 08:03: what held at 08:02 and 08:04 may not have
    // held between them.
    const std::string gap = historyOf("gap", {400, 400, 400, 400, 400}, {0, 1, 2, 4, 5});
    for (const char* samples : {"3", "4"}) {
        r = waits(gap, {"--for", samples});
        EXPECT_EQ(r.exitCode, 3) << samples;
        EXPECT_EQ(r.out, "MENTRENQ WAITS UNKNOWN - no sample between 2026-12-10T08:02:00Z and 2026-12-10T08:04:00Z, "
                         "where the history holds one every 60 s: a sample is missing | longest_wait=400s;200;300;0; "
                         "waiters=2;;;0; resources=1;;;0;\n")
            << samples;
    }
    EXPECT_EQ(waits(gap, {"--for", "2"}).exitCode, 2) << "08:04 and 08:05 have no gap between them";
    EXPECT_EQ(waits(historyOf("steady", {400, 400, 400, 400}, {0, 2, 4, 6}), {"--for", "4"}).exitCode, 2)
        << "two minutes apart throughout is the history's pace, not a gap";

    const std::string snapshot = file("not-a-history.db");
    clitest::writeTinySnapshot(snapshot, "", {});
    const auto before = clitest::readFile(snapshot);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"waits", "--history", snapshot}, {"waits", "--for", "2"},
          {"waits", "--history", failed, "--db", snapshot}, {"waits", "--history", failed, "--for", "0"},
          {"waits", "--history", file("none.history")}}) {
        r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 3) << args.back();
        EXPECT_EQ(r.out.rfind("MENTRENQ WAITS UNKNOWN - ", 0), 0u) << r.out;
    }
    EXPECT_EQ(clitest::readFile(snapshot), before);
}

TEST_F(WaitsHistory, WatchRecordsEveryRefreshAndWaitsReadsItBack) {
    const std::string snapshot = file("watched.db");
    clitest::writeTinySnapshot(snapshot, "2026-12-10T09:00:00Z", {{"SYSDSN", "PAY.MASTER", "PAYJOB", {420, 5}}});
    const std::string history = file("watched.history");
    auto r = runMentrenq({"watch", "--db", snapshot, "--history", history, "--count", "2", "--every", "0.1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("snapshot taken 2026-12-10T09:00:00Z"), std::string::npos) << r.out;
    // The second refresh read the same capture: recorded once.
    EXPECT_NE(r.out.find("\nhistory " + history + ": 1 sample recorded\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("2 samples recorded"), std::string::npos) << r.out;
    EXPECT_EQ(clitest::historyWholeness(history), "");
    const auto live = runMentrenq({"waits", "--db", snapshot, "--warning", "200", "--critical", "300"});
    EXPECT_EQ(live.exitCode, 2);
    EXPECT_EQ(waits(history, {}).out, live.out) << "the sample answers as the snapshot did";

    // A history is never made of a file that is not one.
    const auto before = clitest::readFile(snapshot);
    r = runMentrenq({"watch", "--db", snapshot, "--history", snapshot, "--count", "1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(clitest::readFile(snapshot), before);
}

} // namespace
