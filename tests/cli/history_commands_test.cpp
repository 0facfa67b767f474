// record, history, query --history --at and diff through the binary, on
// timelines of our own whose episodes are known.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <fstream>

#include "run_command.h"
#include "timeline_files.h"

namespace {

using clitest::runMentrenq;
using clitest::temporaryFile;
using clitest::Waiting;

// Six snapshots a minute apart: A is seen at 08:00, 08:01 and (with a new
// holder) 08:03; B at 08:00 and 08:01, then again at 08:04 and 08:05. The
// view fails at 08:02, which ends no episode.
class KnownTimeline : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::vector<std::pair<std::vector<Waiting>, bool>> moments = {
            {{a("OWNA", {30, 5}), b({10})}, false},
            {{a("OWNA", {90, 65, 2}), b({70})}, false},
            {{a("OWNA", {150})}, true},
            {{a("OWNA2", {150})}, false},
            {{b({5, 3})}, false},
            {{b({65, 63})}, false},
        };
        for (size_t i = 0; i < moments.size(); ++i) {
            files().push_back(temporaryFile("moment" + std::to_string(i) + ".db"));
            clitest::writeTinySnapshot(files().back(), time(i), moments[i].first, moments[i].second);
        }
        std::remove(history().c_str());
        // Named out of order: record takes them by capture time.
        auto r = runMentrenq({"record", "--history", history(), files()[3], files()[0], files()[5], files()[1],
                              files()[2], files()[4]});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.err.find("recorded 6 samples in " + history() + " (1 of them failed)"), std::string::npos)
            << r.err;
    }
    static void TearDownTestSuite() {
        for (const auto& f : files()) std::remove(f.c_str());
        for (const char* s : {"", "-wal", "-shm"}) std::remove((history() + s).c_str());
    }

    static Waiting a(const std::string& holder, std::vector<int> waits) {
        return {"SYSDSN", "PAY.MASTER", holder, std::move(waits)};
    }
    static Waiting b(std::vector<int> waits) { return {"SYSIGGV2", "CATALOG.UCAT", "OWNB", std::move(waits)}; }
    static std::string time(size_t minute) { return "2026-12-10T08:0" + std::to_string(minute) + ":00Z"; }
    static std::vector<std::string>& files() {
        static std::vector<std::string> list;
        return list;
    }
    static const std::string& history() {
        static const std::string path = temporaryFile("known.history");
        return path;
    }
};

TEST_F(KnownTimeline, HistoryGivesTheExpectedEpisodes) {
    auto r = runMentrenq({"history", "--history", history(), "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "ENQPLEX,MAJORNAME,MINORNAME,FIRST_SEEN,LAST_SEEN,SAMPLES,MAX_WAITERS,MAX_WAIT,HOLDERS,BLOCKED_SECONDS\r\n"
              "PLEXA,SYSDSN,PAY.MASTER,2026-12-10T08:00:00Z,2026-12-10T08:03:00Z,3,3,150,OWNA@SYSA OWNA2@SYSA,360\r\n"
              "PLEXA,SYSIGGV2,CATALOG.UCAT,2026-12-10T08:00:00Z,2026-12-10T08:01:00Z,2,1,70,OWNB@SYSA,120\r\n"
              "PLEXA,SYSIGGV2,CATALOG.UCAT,2026-12-10T08:04:00Z,2026-12-10T08:05:00Z,2,2,65,OWNB@SYSA,120\r\n");
}

TEST_F(KnownTimeline, WindowsOpenEpisodesAndRoots) {
    auto open = runMentrenq({"history", "--history", history(), "--open", "--format", "json"});
    ASSERT_EQ(open.exitCode, 0) << open.err;
    const auto episodes = nlohmann::json::parse(open.out);
    ASSERT_EQ(episodes.size(), 1u);
    EXPECT_EQ(episodes[0]["FIRST_SEEN"], "2026-12-10T08:04:00Z");
    EXPECT_EQ(episodes[0]["HOLDERS"], nlohmann::json::parse(R"(["OWNB@SYSA"])"));
    EXPECT_EQ(episodes[0]["BLOCKED_SECONDS"], 120);

    // 90 s back from the last sample (08:05) is 08:03:30: only B's second episode ends after it.
    auto since = runMentrenq({"history", "--history", history(), "--since", "90s", "--format", "csv"});
    EXPECT_EQ(std::count(since.out.begin(), since.out.end(), '\n'), 2) << since.out;
    auto until = runMentrenq({"history", "--history", history(), "--until", "2026-12-10T08:03:59Z", "--format", "csv"});
    EXPECT_EQ(std::count(until.out.begin(), until.out.end(), '\n'), 3) << until.out;

    auto roots = runMentrenq({"history", "--history", history(), "--roots", "--format", "csv"});
    ASSERT_EQ(roots.exitCode, 0) << roots.err;
    EXPECT_EQ(roots.out, "HOLDER,EPISODES,BLOCKED_SECONDS\r\nOWNA@SYSA,1,300\r\nOWNB@SYSA,2,240\r\nOWNA2@SYSA,1,60\r\n");
}

// The past answers exactly as the snapshot of that moment does, whatever
// the format and filter, at a sample's time and between two.
TEST_F(KnownTimeline, QueryAtATimeEqualsTheQueryOnThatSnapshot) {
    const std::vector<std::vector<std::string>> queries = {
        {"--report"},
        {"--report", "--where", "waittaskct > 1"},
        {"--major", "SYSDSN", "--minor", "PAY.MASTER", "--enqplex", "PLEXA"},
        {"--where", "MAJORNAME = SYSIGGV2", "--minor", "CATALOG.UCAT", "--enqplex", "PLEXA", "--where", "waittime >= 5"},
        {"--major", "NOSUCH", "--minor", "THING", "--enqplex", "PLEXA"},
    };
    for (const auto& [moment, second] : std::vector<std::pair<size_t, std::string>>{
             {0, ":00"}, {1, ":30"}, {3, ":00"}, {5, ":30"}}) {
        {
            const std::string when = std::string(time(moment)).replace(16, 3, second);
            for (const auto& query : queries) {
                // Every format for the report; the others through CSV.
                for (const char* format : {"csv", "table", "json"}) {
                    if (query.size() > 1 && std::string(format) != "csv") continue;
                    std::vector<std::string> live = {"query", "--db", files()[moment], "--format", format};
                    std::vector<std::string> past = {"query", "--history", history(), "--at", when, "--format", format};
                    live.insert(live.end(), query.begin(), query.end());
                    past.insert(past.end(), query.begin(), query.end());
                    const auto l = runMentrenq(live), p = runMentrenq(past);
                    SCOPED_TRACE(when + " " + format + " " + query.front());
                    EXPECT_EQ(p.exitCode, l.exitCode) << p.err;
                    if (std::string(format) == "json") {
                        const auto object = nlohmann::json::parse(p.out);
                        EXPECT_EQ(object["rows"], nlohmann::json::parse(l.out));
                        EXPECT_EQ(object["taken_at"], time(moment));
                    } else {
                        EXPECT_EQ(p.out, l.out);
                        EXPECT_NE(p.err.find("sample of " + time(moment) + " (capture time of " + files()[moment] + ")"),
                                  std::string::npos)
                            << p.err;
                    }
                }
            }
        }
    }
}

TEST_F(KnownTimeline, TreeAtATimeEqualsTheTreeOfThatSnapshot) {
    for (size_t moment : {1u, 2u, 3u}) {
        for (const char* format : {"text", "dot", "json"}) {
            SCOPED_TRACE(std::to_string(moment) + " " + format);
            const auto l = runMentrenq({"tree", "--db", files()[moment], "--format", format});
            const auto p = runMentrenq({"tree", "--history", history(), "--at", time(moment), "--format", format});
            EXPECT_EQ(p.exitCode, l.exitCode) << p.err;
            if (std::string(format) == "json") {
                const auto object = nlohmann::json::parse(p.out);
                // A failed view's tree comes inside an object that says so.
                const auto live = nlohmann::json::parse(l.out);
                EXPECT_EQ(object["enqplexes"], live.is_object() ? live["tree"] : live);
                EXPECT_EQ(object.contains("status"), live.is_object());
                if (live.is_object()) {
                    EXPECT_EQ(object["status"], live["status"]);
                }
                EXPECT_EQ(object["taken_at"], time(moment));
            } else {
                EXPECT_EQ(p.out, l.out);
            }
        }
    }
    auto one = runMentrenq({"tree", "--history", history(), "--at", time(1), "--enqplex", "PLEXA"});
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_NE(one.out.find("    owner  OWNA     on SYSA     ASID X'0030'  exclusive"), std::string::npos) << one.out;
    EXPECT_EQ(runMentrenq({"tree", "--history", history(), "--at", time(1), "--enqplex", "PLEXB"}).exitCode, 2);
}

TEST_F(KnownTimeline, APastFailureIsAFailureAndWhatTheRowsCannotAnswerIsRefused) {
    const auto live = runMentrenq({"query", "--db", files()[2], "--report", "--format", "csv"});
    const auto past = runMentrenq({"query", "--history", history(), "--at", time(2), "--report", "--format", "csv"});
    EXPECT_EQ(live.exitCode, 3);
    EXPECT_EQ(past.exitCode, 3);
    EXPECT_EQ(past.out, live.out);
    EXPECT_NE(past.err.find("mentrenq: status 71: view abandoned (configuration problem)"), std::string::npos) << past.err;
    // Read as JSON alone, a failure is never "no contention".
    const auto liveJson = nlohmann::json::parse(
        runMentrenq({"query", "--db", files()[2], "--report", "--format", "json"}).out);
    const auto pastJson = nlohmann::json::parse(
        runMentrenq({"query", "--history", history(), "--at", time(2), "--report", "--format", "json"}).out);
    const auto pastTree = nlohmann::json::parse(
        runMentrenq({"tree", "--history", history(), "--at", time(2), "--format", "json"}).out);
    for (const auto* document : {&liveJson, &pastJson, &pastTree}) {
        EXPECT_EQ((*document)["status"], 71) << document->dump();
        EXPECT_NE((*document)["error"].get<std::string>().find("configuration problem"), std::string::npos);
    }
    EXPECT_EQ(pastJson["rows"], liveJson["rows"]);

    // The failed snapshot names no Enqplex the view accepts: asked for one
    // resource of PLEXA, the past answers as that snapshot does.
    const std::vector<std::string> one = {"--major", "SYSDSN", "--minor", "PAY.MASTER", "--enqplex", "PLEXA"};
    std::vector<std::string> liveOne = {"query", "--db", files()[2]}, pastOne = {"query", "--history", history(), "--at",
                                                                                time(2)};
    liveOne.insert(liveOne.end(), one.begin(), one.end());
    pastOne.insert(pastOne.end(), one.begin(), one.end());
    const auto l = runMentrenq(liveOne), p = runMentrenq(pastOne);
    EXPECT_EQ(p.exitCode, 2);
    EXPECT_EQ(p.exitCode, l.exitCode);
    EXPECT_EQ(p.err, l.err);

    auto before = runMentrenq({"query", "--history", history(), "--at", "2026-12-10T07:59:59Z", "--report"});
    EXPECT_EQ(before.exitCode, 2);
    EXPECT_EQ(before.err, "mentrenq: " + history() +
                              " holds no sample taken at or before 2026-12-10T07:59:59Z (its first is of "
                              "2026-12-10T08:00:00Z)\n");
    auto unknown = runMentrenq({"query", "--history", history(), "--at", time(1), "--major", "SYSDSN", "--minor", "X",
                                "--enqplex", "PLEXB"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.err, "mentrenq: the snapshot has no Enqplex PLEXB; its Enqplexes are PLEXA\n");
    auto both = runMentrenq({"query", "--history", history(), "--at", time(1), "--db", files()[1], "--report"});
    EXPECT_EQ(both.exitCode, 2);
}

TEST_F(KnownTimeline, DiffBothWays) {
    const std::string old = history() + "@" + time(1), now = files()[4];
    auto forth = runMentrenq({"diff", old, now, "--format", "json"});
    ASSERT_EQ(forth.exitCode, 1) << forth.err;
    const auto d = nlohmann::json::parse(forth.out);
    ASSERT_EQ(d["changes"].size(), 2u) << forth.out;
    EXPECT_EQ(d["changes"][0]["change"], "CHANGED");
    EXPECT_EQ(d["changes"][0]["majorname"], "SYSIGGV2");
    EXPECT_EQ(d["changes"][0]["old"]["waiters"], 1);
    EXPECT_EQ(d["changes"][0]["new"]["waiters"], 2);
    EXPECT_EQ(d["changes"][1]["change"], "RESOLVED");
    EXPECT_EQ(d["changes"][1]["minorname"], "PAY.MASTER");
    EXPECT_EQ(d["changes"][1]["old"]["holders"], nlohmann::json::parse(R"(["OWNA@SYSA"])"));
    EXPECT_TRUE(d["changes"][1]["new"].is_null());
    EXPECT_EQ(d["old"]["taken_at"], time(1));

    auto back = runMentrenq({"diff", now, old, "--format", "json"});
    ASSERT_EQ(back.exitCode, 1) << back.err;
    const auto e = nlohmann::json::parse(back.out);
    ASSERT_EQ(e["changes"].size(), 2u);
    EXPECT_EQ(e["changes"][0]["change"], "NEW");
    EXPECT_EQ(e["changes"][0]["minorname"], "PAY.MASTER");
    EXPECT_EQ(e["changes"][1]["change"], "CHANGED"); // fewer waiters, though no longer wait
    auto holderMoved = runMentrenq({"diff", files()[1], history() + "@" + time(3), "--format", "csv"});
    EXPECT_EQ(holderMoved.exitCode, 1);
    EXPECT_NE(holderMoved.out.find("CHANGED,PLEXA,SYSDSN,PAY.MASTER,3,1,90,150,OWNA@SYSA,OWNA2@SYSA\r\n"), std::string::npos)
        << holderMoved.out;

    auto same = runMentrenq({"diff", files()[5], history() + "@" + time(5)});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    auto failed = runMentrenq({"diff", files()[2], files()[1]});
    EXPECT_EQ(failed.exitCode, 3);
    EXPECT_TRUE(failed.out.empty());
}

// A file that is not a history of this version is refused with one line
// and left exactly as it was.
TEST(RecordCommand, RefusesWhatIsNotAHistoryAndLeavesItAlone) {
    const std::string snapshot = temporaryFile("refuse.db");
    clitest::writeTinySnapshot(snapshot, "2026-12-10T08:00:00Z", {{"SYSDSN", "X", "OWN", {1}}});
    const std::string text = temporaryFile("notes.txt");
    std::ofstream(text) << "my notes\n";
    const std::string link = temporaryFile("link.history");
    ::symlink(text.c_str(), link.c_str());
    for (const std::string& target : {text, snapshot, link, ::testing::TempDir()}) {
        const std::string before = clitest::readFile(target);
        auto r = runMentrenq({"record", "--history", target, snapshot});
        EXPECT_EQ(r.exitCode, 2) << target;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("is not a history of mentrenq"), std::string::npos) << r.err;
        EXPECT_EQ(clitest::readFile(target), before);
        struct stat st {};
        EXPECT_NE(::stat((target + "-wal").c_str(), &st), 0);
    }
    auto notASnapshot = runMentrenq({"record", "--history", temporaryFile("never.history"), text});
    EXPECT_EQ(notASnapshot.exitCode, 2);
    struct stat st {};
    EXPECT_NE(::stat(temporaryFile("never.history").c_str(), &st), 0) << "no history made for nothing";
    for (const auto& f : {snapshot, text, link}) std::remove(f.c_str());
}

// On a terminal (script(1) gives it one) record says how far it is.
TEST(RecordCommand, ShowsItsProgressOnATerminal) {
    if (::access("/usr/bin/script", X_OK) != 0) GTEST_SKIP() << "script(1) is not installed";
    const std::string snapshot = temporaryFile("tty.db"), history = temporaryFile("tty.history");
    clitest::writeTinySnapshot(snapshot, "2026-12-10T08:00:00Z", {{"SYSDSN", "X", "OWN", {1, 2}}});
    const std::string emulator = MENTRENQ_EMULATOR;
    const std::string command = (emulator.empty() ? "" : emulator + " ") + MENTRENQ_BINARY + " record --history " +
                                history + " " + snapshot;
    clitest::RunOptions options;
    options.machineProgram = true;
    auto r = clitest::runProgram("/usr/bin/script", {"-qec", command, "/dev/null"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\rsamples 1, last 2026-12-10T08:00:00Z status 62, 4 rows"), std::string::npos) << r.out;
    for (const char* s : {"", "-wal", "-shm"}) std::remove((history + s).c_str());
    std::remove(snapshot.c_str());
}

TEST(RecordCommand, ASnapshotAlreadyRecordedIsNotRecordedAgain) {
    const std::string snapshot = temporaryFile("again.db"), history = temporaryFile("again.history");
    clitest::writeTinySnapshot(snapshot, "2026-12-10T08:00:00Z", {{"SYSDSN", "X", "OWN", {1}}});
    ASSERT_EQ(runMentrenq({"record", "--history", history, snapshot}).exitCode, 0);
    auto again = runMentrenq({"record", "--history", history, snapshot});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(again.err.find("is not later than the history's last sample (2026-12-10T08:00:00Z): not recorded"),
              std::string::npos)
        << again.err;
    EXPECT_EQ(clitest::historyWholeness(history), "");
    for (const char* s : {"", "-wal", "-shm"}) std::remove((history + s).c_str());
    std::remove(snapshot.c_str());
}

// A resource whose tasks cannot be asked for (a NUL in its major name) is a
// gap of the picture: record keeps it with its reason, and the past tree
// says it as the live one did, with the same exit status.
TEST(RecordCommand, KeepsTheTasksItCouldNotReadAndWhy) {
    const std::string snapshot = temporaryFile("gap.db"), history = temporaryFile("gap.history");
    clitest::writeTinySnapshot(snapshot, "2026-12-10T09:00:00Z",
                               {{"SYS' || CAST(X'00' AS TEXT) || 'DSN", "PAY.MASTER", "OWNA", {40, 3}},
                                {"SYSIGGV2", "CATALOG.UCAT", "OWNB", {12}}});
    const auto live = runMentrenq({"tree", "--db", snapshot});
    ASSERT_EQ(live.exitCode, 3) << live.err;
    const std::string gap = "the tasks of SYS.DSN PAY.MASTER in PLEXA could not be read: its major name holds a NUL "
                            "byte, which a query for one resource cannot carry";
    ASSERT_NE(live.err.find(gap), std::string::npos) << live.err;

    const auto r = runMentrenq({"record", "--history", history, "--jobs", "2", snapshot});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("the tasks of a resource could not be read: its major name holds a NUL byte"),
              std::string::npos)
        << r.err;
    for (const char* format : {"text", "json"}) {
        const auto l = runMentrenq({"tree", "--db", snapshot, "--format", format});
        const auto p = runMentrenq({"tree", "--history", history, "--at", "2026-12-10T09:00:00Z", "--format", format});
        EXPECT_EQ(p.exitCode, 3) << p.err;
        EXPECT_NE(p.err.find(gap), std::string::npos) << p.err;
        if (std::string(format) == "json")
            EXPECT_EQ(nlohmann::json::parse(p.out)["enqplexes"], nlohmann::json::parse(l.out));
        else
            EXPECT_EQ(p.out, l.out);
    }
    // What changed cannot be known for that resource: diff says so in its
    // document too, and fails.
    const auto d = runMentrenq({"diff", history + "@2026-12-10T09:00:00Z", snapshot, "--format", "json"});
    EXPECT_EQ(d.exitCode, 3);
    EXPECT_NE(d.err.find("could not be read: its major name holds a NUL byte"), std::string::npos) << d.err;
    const auto document = nlohmann::json::parse(d.out);
    EXPECT_TRUE(document["changes"].empty());
    for (const char* side : {"old", "new"}) {
        ASSERT_EQ(document[side]["unavailable"].size(), 1u) << d.out;
        EXPECT_EQ(document[side]["unavailable"][0]["minorname"], "PAY.MASTER");
    }
    for (const char* s : {"", "-wal", "-shm"}) std::remove((history + s).c_str());
    std::remove(snapshot.c_str());
}

// What the view passed over is part of the sample: the past tree says it as
// the live one did. A history written before that was kept still reads
// (saying nothing of it), and recording into it adds what it lacks.
TEST(RecordCommand, KeepsWhatTheViewPassedOver) {
    const std::string snapshot = temporaryFile("passed-over.db"), history = temporaryFile("passed-over.history");
    std::remove(snapshot.c_str());
    ASSERT_EQ(runMentrenq({"demo", "--out", snapshot}).exitCode, 0);
    ASSERT_EQ(runMentrenq({"record", "--history", history, snapshot}).exitCode, 0);
    const std::string at = "2099-01-01T00:00:00Z";
    const std::string notSeen = "1 System not asked for its tasks on resources that other PlexHubs reported";
    const auto live = runMentrenq({"tree", "--db", snapshot});
    ASSERT_NE(live.out.find("Not seen: " + notSeen), std::string::npos) << live.out;
    EXPECT_EQ(runMentrenq({"tree", "--history", history, "--at", at}).out, live.out);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"tree", "--history", history, "--at", at, "--format", "json"},
          {"query", "--history", history, "--at", at, "--report", "--format", "csv"}})
        EXPECT_NE(runMentrenq(args).err.find("mentrenq: warning: not seen: " + notSeen), std::string::npos)
            << args[0];
    // Counted over every Enqplex, it is not said of one.
    EXPECT_EQ(runMentrenq({"tree", "--history", history, "--at", at, "--enqplex", "PRODENQ"}).out.find("Not seen"),
              std::string::npos);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(history.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "DROP TABLE PASSED_OVER", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const auto old = runMentrenq({"tree", "--history", history, "--at", at});
    EXPECT_EQ(old.exitCode, 0) << old.err;
    EXPECT_EQ(old.out.find("Not seen"), std::string::npos);
    EXPECT_EQ(old.out.substr(0, old.out.find("Not seen")), live.out.substr(0, live.out.find("Not seen")));
    const std::string later = temporaryFile("passed-over-later.db");
    std::remove(later.c_str());
    ASSERT_EQ(runMentrenq({"demo", "--out", later}).exitCode, 0);
    const auto again = runMentrenq({"record", "--history", history, later});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(runMentrenq({"tree", "--history", history, "--at", at}).out, live.out);
    EXPECT_EQ(clitest::historyWholeness(history), "");
    for (const std::string& f : {snapshot, later, history, history + "-wal", history + "-shm"}) std::remove(f.c_str());
}

} // namespace
