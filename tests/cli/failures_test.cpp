// A failure is visible in every output format, never only in the exit
// status; and the tree lists every task it can read, saying which it cannot.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

const std::string refused =
    "mentrenq: status 64: a data server request failed (storage, path or summary query); the storage limit of 1000 "
    "bytes refused 1 request\n";

// A failed view's JSON is never the empty array of "no contention".
std::string failedJson(const char* key) {
    return "{\n  \"status\": 64,\n  \"error\": \"" + refused.substr(10, refused.size() - 11) + "\",\n  \"" + key +
           "\": []\n}\n";
}

TEST(Failures, EveryFormatSaysWhatTheStatusMeans) {
    const std::string header =
        "majorname,minorname,owntaskct,waittaskct,maxwaittm,owningas,waitingas,sysname,swapped,type,asid,waittime,"
        "report,originnode,plxname,enqplex,trueowner\r\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"tree"}, ""},
        {{"tree", "--format", "json"}, failedJson("tree")},
        {{"tree", "--format", "dot"}, "digraph mentrenq {\n  rankdir=LR;\n  node [fontname=\"monospace\"];\n}\n"},
        {{"query", "--report", "--format", "csv"}, header},
        {{"query", "--report", "--format", "json"}, failedJson("rows")},
    };
    for (auto [args, out] : cases) {
        args.insert(args.end(), {"--storage-limit", "1000"});
        auto r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 3) << args[0];
        EXPECT_EQ(r.out, out) << args[0];
        EXPECT_EQ(r.err, refused) << args[0];
    }
    auto table = runMentrenq({"query", "--report", "--storage-limit", "1000"});
    EXPECT_EQ(table.exitCode, 3);
    EXPECT_EQ(table.err.substr(table.err.find('\n') + 1), refused);
}

TEST(Failures, AGenerousStorageLimitAnswersAsWithout) {
    auto limited = runMentrenq({"tree", "--storage-limit", "4294967295"});
    EXPECT_EQ(limited.exitCode, 0) << limited.err;
    EXPECT_EQ(limited.out, runMentrenq({"tree"}).out);
}

// The demo as a file, changed by `sql`.
std::string changedDemo(const std::string& name, const char* sql) {
    const std::string path = clitest::temporaryFile(name);
    EXPECT_EQ(runMentrenq({"demo", "--out", path}).exitCode, 0);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
    return path;
}

TEST(TreeCommand, ListsTheTasksWhateverBytesTheNamesHold) {
    const std::string odd = changedDemo("odd.db",
                                        "UPDATE MGLBLENQ SET MINORNAME = 'AR.P''RO*D%_' || CAST(X'E9FF01' AS TEXT) "
                                        "WHERE MINORNAME = 'AR.PROD.INVOICE.KSDS';"
                                        "UPDATE ENQ_RESRC SET MINOR_NAME = 'AR.P''RO*D%_' || CAST(X'E9FF01' AS TEXT) "
                                        "WHERE MINOR_NAME = 'AR.PROD.INVOICE.KSDS';");
    auto r = runMentrenq({"tree", "--db", odd, "--enqplex", "MIMPLEX"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("  SYSDSN CICS")),
              "Enqplex MIMPLEX\n"
              "  SYSDSN AR.P'RO*D%_\xE9\xFF.\n"
              "      2 owners, 2 waiters, longest wait 118 s\n"
              "    owner  ARNIGHT  on CICA     ASID X'0055'  exclusive  true owner\n"
              "    owner  MIMGR    on CICB     ASID X'001C'  exclusive\n"
              "    waiter CICSPB1  on CICB     ASID X'0029'  shared     waiting 118 s\n"
              "    waiter CICSPA2  on CICA     ASID X'002A'  shared     waiting 15 s\n");

    // An index predicate cannot carry a NUL byte: said, not hidden.
    const std::string nul = changedDemo("nul.db", "UPDATE MGLBLENQ SET MAJORNAME = CAST(X'5359530044534E' AS TEXT) "
                                                  "WHERE MINORNAME = 'AR.PROD.INVOICE.KSDS';");
    auto n = runMentrenq({"tree", "--db", nul, "--enqplex", "MIMPLEX"});
    EXPECT_EQ(n.exitCode, 3);
    EXPECT_EQ(n.out.substr(0, n.out.find("  SYSDSN CICS")),
              "Enqplex MIMPLEX\n"
              "  SYS.DSN AR.PROD.INVOICE.KSDS\n"
              "      2 owners, 2 waiters, longest wait 118 s\n"
              "      (tasks not available: its major name holds a NUL byte, which a query for one resource cannot "
              "carry)\n");
    EXPECT_EQ(n.err, "mentrenq: the tasks of SYS.DSN AR.PROD.INVOICE.KSDS in MIMPLEX could not be read: its major "
                     "name holds a NUL byte, which a query for one resource cannot carry\n");

    // Padded with a NUL, the name trims to one whose query finds nothing.
    const std::string padded = changedDemo("padded.db", "UPDATE MGLBLENQ SET MAJORNAME = 'SYSDSN' || CAST(X'00' AS TEXT) "
                                                        "WHERE MINORNAME = 'AR.PROD.INVOICE.KSDS';");
    auto p = runMentrenq({"tree", "--db", padded, "--enqplex", "MIMPLEX"});
    EXPECT_EQ(p.exitCode, 3);
    EXPECT_EQ(p.err, "mentrenq: the tasks of SYSDSN AR.PROD.INVOICE.KSDS in MIMPLEX could not be read: the query for "
                     "this resource found none of its tasks\n");
    for (const auto& path : {odd, nul, padded}) std::filesystem::remove(path);
}

TEST(SqlCommand, NothingIsWrittenThroughSql) {
    const std::string db = clitest::temporaryFile("guarded.db"), copy = clitest::temporaryFile("copy.db");
    ASSERT_EQ(runMentrenq({"demo", "--out", db}).exitCode, 0);
    const std::string before = clitest::readFile(db);
    for (const std::string& sql : {"VACUUM INTO '" + copy + "'", "ATTACH '" + copy + "' AS other",
                                   std::string("INSERT INTO MXCFSYS (AT_NODE) VALUES ('X')"),
                                   std::string("SELECT 1; CREATE TABLE notes (x)")}) {
        for (const auto& where : {std::vector<std::string>{}, std::vector<std::string>{"--db", db}}) {
            std::vector<std::string> args = {"sql"};
            args.insert(args.end(), where.begin(), where.end());
            args.push_back(sql);
            auto r = runMentrenq(args);
            EXPECT_EQ(r.exitCode, 2) << sql;
            EXPECT_EQ(r.out, "") << "nothing runs before the refusal";
            const std::string statement = sql.rfind("SELECT 1; ", 0) == 0 ? sql.substr(10) : sql;
            EXPECT_EQ(r.err, "mentrenq: sql only reads; refused: " + statement + "\n");
            EXPECT_FALSE(std::filesystem::exists(copy)) << sql;
        }
    }
    EXPECT_EQ(clitest::readFile(db), before);
    auto described = runMentrenq({"sql", "--db", db, "SELECT name FROM pragma_table_info('MXCFSYS') LIMIT 1"});
    EXPECT_EQ(described.out, "name\n-------\nAT_NODE\n");
    std::filesystem::remove(db);
}

} // namespace
