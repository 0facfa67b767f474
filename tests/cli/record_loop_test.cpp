// record on a snapshot that simulate keeps rewriting: killed at random
// moments it leaves whole samples only; SIGTERM ends it after its sample.
// And the timeline that generate writes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "run_command.h"
#include "timeline_files.h"

namespace {

using clitest::runMentrenq;
using clitest::startMentrenq;
using clitest::temporaryFile;

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The ID of the last sample written: it only grows, retention or not.
long long lastSampleOf(const std::string& history) {
    sqlite3* db = nullptr;
    long long count = -1;
    if (sqlite3_open_v2(history.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT COALESCE(MAX(ID), 0) FROM SAMPLES", -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            count = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return count;
}

// Waits up to a minute for `done`.
template <typename Fn>
bool eventually(Fn done) {
    for (int i = 0; i < 1200; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

int exitOf(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void removeHistory(const std::string& path) {
    for (const char* s : {"", "-wal", "-shm"}) std::remove((path + s).c_str());
}

TEST(RecordLoop, KilledAtRandomMomentsItKeepsOnlyWholeSamples) {
    const std::string snapshot = temporaryFile("live.db"), history = temporaryFile("live.history");
    std::remove(snapshot.c_str());
    removeHistory(history);
    const pid_t collector = startMentrenq({"simulate", "--out", snapshot, "--every", "1", "--enqplexes", "2",
                                           "--resources", "40", "--tasks", "4"},
                                          temporaryFile("simulate.err"));
    ASSERT_TRUE(eventually([&] { return exists(snapshot); }));
    std::mt19937 random(21);
    for (int kill = 0; kill < 20; ++kill) {
        const long long before = exists(history) ? lastSampleOf(history) : 0;
        const pid_t recorder = startMentrenq({"record", "--db", snapshot, "--history", history, "--every", "1",
                                              "--keep", "20s"},
                                             temporaryFile("record.err"));
        // Every fourth child is let write a sample first, however slow the
        // machine (an emulator, the sanitizers); the others die whenever.
        if (kill % 4 == 0) {
            EXPECT_TRUE(eventually([&] { return lastSampleOf(history) > before; }));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30 + random() % 900));
        ::kill(recorder, SIGKILL);
        EXPECT_EQ(exitOf(recorder), 128 + SIGKILL);
        if (exists(history)) {
            EXPECT_EQ(clitest::historyWholeness(history), "") << "after kill " << kill;
        }
    }
    ::kill(collector, SIGTERM);
    EXPECT_EQ(exitOf(collector), 0) << clitest::readFile(temporaryFile("simulate.err"));
    EXPECT_GT(lastSampleOf(history), 0);
    auto episodes = runMentrenq({"history", "--history", history, "--format", "csv"});
    EXPECT_EQ(episodes.exitCode, 0) << episodes.err;
    std::remove(snapshot.c_str());
    removeHistory(history);
}

TEST(RecordLoop, SigintOrSigtermEndsItAfterTheSampleWithSuccess) {
    const std::string snapshot = temporaryFile("term.db"), history = temporaryFile("term.history");
    clitest::writeTinySnapshot(snapshot, "", {{"SYSDSN", "X", "OWN", {1, 2}}});
    const std::string err = temporaryFile("term.err");
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        removeHistory(history);
        const pid_t recorder = startMentrenq({"record", "--db", snapshot, "--history", history, "--every", "1"}, err);
        ASSERT_TRUE(eventually([&] { return lastSampleOf(history) >= 2; }));
        ::kill(recorder, signal);
        EXPECT_EQ(exitOf(recorder), 0);
        EXPECT_NE(clitest::readFile(err).find(" samples in " + history), std::string::npos) << clitest::readFile(err);
        EXPECT_EQ(clitest::historyWholeness(history), "");
    }
    // Without CAPTURE, each sample is the time it was read: the same file makes new samples.
    auto csv = runMentrenq({"history", "--history", history, "--format", "csv"});
    EXPECT_NE(csv.out.find("PLEXA,SYSDSN,X,"), std::string::npos) << csv.out;
    removeHistory(history);
    std::remove(snapshot.c_str());
    std::remove(err.c_str());
}

TEST(Timeline, GenerateWritesCapturedSnapshotsTheSameForTheSameSeed) {
    const std::string one = temporaryFile("timeline1"), two = temporaryFile("timeline2");
    for (const auto& dir : {one, two}) {
        auto r = runMentrenq({"generate", "--timeline", "3", "--step", "90", "--out-dir", dir, "--seed", "4",
                              "--start", "2026-12-10T23:59:00Z"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "wrote 3 snapshots to " + dir +
                             ", captured from 2026-12-10T23:59:00Z to 2026-12-11T00:02:00Z\n");
    }
    for (int i = 1; i <= 3; ++i) {
        const std::string name = "/snapshot-0000" + std::to_string(i) + ".db";
        EXPECT_EQ(clitest::readFile(one + name), clitest::readFile(two + name));
        auto taken = runMentrenq({"sql", "--db", one + name, "SELECT TAKEN_AT FROM CAPTURE"});
        EXPECT_NE(taken.out.find(i == 1 ? "2026-12-10T23:59:00Z" : i == 2 ? "2026-12-11T00:00:30Z"
                                                                          : "2026-12-11T00:02:00Z"),
                  std::string::npos)
            << taken.out;
    }
    const std::string before = clitest::readFile(one + "/snapshot-00002.db");
    auto again = runMentrenq({"generate", "--timeline", "3", "--out-dir", one, "--seed", "5"});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_NE(again.err.find("snapshot-00001.db exists; give --force to replace it"), std::string::npos) << again.err;
    EXPECT_EQ(clitest::readFile(one + "/snapshot-00002.db"), before);
    EXPECT_EQ(runMentrenq({"generate", "--timeline", "3", "--out-dir", one, "--seed", "5", "--force"}).exitCode, 0);
    EXPECT_NE(clitest::readFile(one + "/snapshot-00002.db"), before);
    EXPECT_EQ(runMentrenq({"generate", "--timeline", "1", "--out-dir", one}).exitCode, 2);
    EXPECT_EQ(runMentrenq({"generate", "--timeline", "2", "--out-dir", one + "/snapshot-00001.db"}).exitCode, 2);
    for (const auto& dir : {one, two}) {
        for (int i = 1; i <= 3; ++i) std::remove((dir + "/snapshot-0000" + std::to_string(i) + ".db").c_str());
        ::rmdir(dir.c_str());
    }
}

TEST(Timeline, SimulateRewritesOneSnapshotOnlyWhereAllowed) {
    const std::string out = temporaryFile("simulated.db");
    std::remove(out.c_str());
    auto r = runMentrenq({"simulate", "--out", out, "--every", "1", "--count", "2", "--resources", "5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "wrote 2 snapshots to " + out + "\n");
    auto report = runMentrenq({"query", "--db", out, "--report", "--format", "csv"});
    EXPECT_EQ(report.exitCode, 0) << report.err;
    auto again = runMentrenq({"simulate", "--out", out, "--count", "1"});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_EQ(again.err, "mentrenq: " + out + " exists; give --force to replace it\n");
    std::remove(out.c_str());
}

} // namespace
