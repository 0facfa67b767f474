// A snapshot is checked before the view reads it, `check` lists every value
// out of place, and a snapshot another process keeps locked is one clear
// failure.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

sqlite3* openWriter(const std::string& path) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    return db;
}

void exec(sqlite3* db, const char* sql) {
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
}

std::string demoFile(const std::string& name, const char* change) {
    const std::string path = clitest::temporaryFile(name);
    std::filesystem::remove(path);
    EXPECT_EQ(runMentrenq({"demo", "--out", path}).exitCode, 0);
    sqlite3* db = openWriter(path);
    exec(db, change);
    sqlite3_close(db);
    return path;
}

TEST(SnapshotCheck, ListsEveryValueOutOfPlaceAndTheViewRefusesTheFile) {
    const std::string path = demoFile("values.db", "UPDATE ENQ_TASKS SET ASID = 70000 WHERE rowid = 1;"
                                                   "UPDATE ENQ_TASKS SET TYPE = 300 WHERE rowid = 2;"
                                                   "UPDATE MGLBLENQ SET WAITTIME = -2147483649 WHERE rowid = 3;"
                                                   "UPDATE INODESTS SET THRUNODE = printf('%.40c', 'T') WHERE rowid = 1;");
    auto check = runMentrenq({"check", "--db", path});
    EXPECT_EQ(check.exitCode, 2);
    const std::string thru = "INODESTS row 1, column THRUNODE: '" + std::string(40, 'T') +
                             "' is 40 bytes long, more than CHAR(32) holds";
    EXPECT_EQ(check.out, thru + "\n"
                         "MGLBLENQ row 3, column WAITTIME: -2147483649 is outside the INT4 range "
                         "-2147483648..2147483647\n"
                         "ENQ_TASKS row 1, column ASID: 70000 is outside the INT2 range 0..65535\n"
                         "ENQ_TASKS row 2, column TYPE: 300 is outside the INT1 range -128..255\n");
    EXPECT_EQ(check.err, "mentrenq: " + path + ": 4 values their columns cannot deliver\n");

    const std::string refusal =
        "mentrenq: " + path + " holds a value its column cannot deliver: " + thru + " (mentrenq check lists every one)\n";
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"query", "--report"}, {"query", "--report", "--format", "json"},
          {"query", "--report", "--trace", "all"},
          {"query", "--major", "SYSDSN", "--minor", "AR.PROD.INVOICE.KSDS", "--trace", "all"}, {"tree"},
          // Checked beside the report on two threads: nothing of the view
          // shows, not even its trace; and before it on one.
          {"tree", "--jobs", "2", "--trace", "all"}, {"tree", "--jobs", "1", "--format", "json"},
          {"sql", "SELECT COUNT(*) FROM MENTRENQ"}}) {
        auto args = command;
        args.insert(args.end(), {"--db", path});
        auto r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 2) << command.size() << " " << command[0];
        EXPECT_EQ(r.out, "") << command.size() << " " << command[0];
        EXPECT_EQ(r.err, refusal) << command.size() << " " << command[0];
    }
    std::filesystem::remove(path);
}

TEST(SnapshotCheck, ACleanSnapshotPasses) {
    const std::string path = demoFile("clean.db", "SELECT 1;");
    auto check = runMentrenq({"check", "--db", path});
    EXPECT_EQ(check.exitCode, 0);
    EXPECT_EQ(check.out, "");
    EXPECT_EQ(check.err, path + ": every value fits its column\n");
    EXPECT_EQ(runMentrenq({"check"}).exitCode, 2) << "--db is required";
    std::filesystem::remove(path);
}

// A table or view of the snapshot named like the view (in any case) never
// answers for it: MENTRENQ is the view in sql, the snapshot's own is
// main.MENTRENQ, check names it, and the file is not changed by either.
TEST(SnapshotCheck, ATableNamedLikeTheViewNeverAnswersForIt) {
    const std::string path = demoFile("shadow.db", "CREATE TABLE mentrenq (MAJORNAME TEXT);"
                                                   "INSERT INTO mentrenq VALUES ('IMPOSTOR');");
    const std::string before = clitest::readFile(path);
    auto view = runMentrenq({"sql", "--db", path, "--format", "csv", "SELECT DISTINCT MAJORNAME FROM MENTRENQ"});
    ASSERT_EQ(view.exitCode, 0) << view.err;
    EXPECT_EQ(view.out.find("IMPOSTOR"), std::string::npos) << view.out;
    EXPECT_NE(view.out.find("SYSDSN"), std::string::npos) << view.out;
    EXPECT_EQ(view.err.rfind("mentrenq: warning: the snapshot's own table mentrenq is read as main.mentrenq; "
                             "MENTRENQ is the view\n",
                             0),
              0u)
        << view.err;

    auto own = runMentrenq({"sql", "--db", path, "--format", "csv", "SELECT MAJORNAME FROM main.MENTRENQ"});
    EXPECT_EQ(own.out, "MAJORNAME\r\nIMPOSTOR\r\n");
    auto columns = runMentrenq({"sql", "--db", path, "SELECT COUNT(*) FROM pragma_table_info('MENTRENQ')"});
    EXPECT_EQ(columns.exitCode, 0) << columns.err;
    EXPECT_EQ(columns.out, "COUNT(*)\n--------\n17\n") << "the view's columns, not the table's one";

    auto check = runMentrenq({"check", "--db", path});
    EXPECT_EQ(check.exitCode, 0);
    EXPECT_EQ(check.out, "table mentrenq: named like the view; in sql, MENTRENQ is the view and this table is "
                         "main.mentrenq\n");
    EXPECT_EQ(check.err,
              path + ": every value fits its column; a table of its own is named like the view (listed above)\n");
    EXPECT_EQ(clitest::readFile(path), before);
    std::filesystem::remove(path);

    const std::string viewPath = demoFile("shadow_view.db", "CREATE VIEW MENTRENQ AS SELECT 1 AS X;");
    EXPECT_EQ(runMentrenq({"check", "--db", viewPath}).out,
              "view MENTRENQ: named like the view; in sql, MENTRENQ is the view and this view is main.MENTRENQ\n");
    EXPECT_EQ(runMentrenq({"sql", "--db", viewPath, "--format", "csv", "SELECT COUNT(*) > 1 FROM MENTRENQ"}).out,
              "COUNT(*) > 1\r\n1\r\n");
    std::filesystem::remove(viewPath);
}

TEST(LockedSnapshot, AWriteLockHeldPastTheTimeoutIsOneClearFailure) {
    const std::string path = demoFile("locked.db", "SELECT 1;");
    sqlite3* writer = openWriter(path);
    exec(writer, "BEGIN EXCLUSIVE; UPDATE MGLBLENQ SET WAITTIME = 1;");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"query", "--report", "--db", path}, {"check", "--db", path}}) {
        auto r = runMentrenq(command);
        EXPECT_EQ(r.exitCode, 3) << command[0];
        EXPECT_EQ(r.out, "") << command[0];
        EXPECT_EQ(r.err, "mentrenq: " + path + ": snapshot is locked by another process\n") << command[0];
    }
    exec(writer, "ROLLBACK;");
    sqlite3_close(writer);
    std::filesystem::remove(path);
}

TEST(LockedSnapshot, AWriterCommittingMeanwhileNeverTurnsIntoAViewStatus) {
    const std::string path = demoFile("busy.db", "SELECT 1;");
    const std::string expected = runMentrenq({"query", "--report", "--format", "csv", "--db", path}).out;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        sqlite3* db = openWriter(path);
        sqlite3_busy_timeout(db, 200);
        while (!stop) {
            // Changes nothing the view shows, so every run that reads gives
            // the same rows.
            sqlite3_exec(db, "BEGIN IMMEDIATE; UPDATE MXCFSYS SET MON_INTVL = MON_INTVL; COMMIT;", nullptr, nullptr,
                         nullptr);
            sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
        }
        sqlite3_close(db);
    });
    for (int run = 0; run < 10; ++run) {
        auto r = runMentrenq({"query", "--report", "--format", "csv", "--db", path});
        if (r.exitCode == 0) {
            EXPECT_EQ(r.out, expected);
        } else {
            EXPECT_EQ(r.exitCode, 3);
            EXPECT_EQ(r.err, "mentrenq: " + path + ": snapshot is locked by another process\n");
        }
    }
    stop = true;
    writer.join();
    std::filesystem::remove(path);
}

} // namespace
