// tree, sql, demo and generate through the binary.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "run_command.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

namespace {

using clitest::runMentrenq;
using clitest::temporaryFile;

TEST(TreeCommand, ShowsOwnersThenWaitersLongestWaitFirst) {
    auto r = runMentrenq({"tree", "--enqplex", "MIMPLEX"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "Enqplex MIMPLEX\n"
              "  SYSDSN AR.PROD.INVOICE.KSDS\n"
              "      2 owners, 2 waiters, longest wait 118 s\n"
              "    owner  ARNIGHT  on CICA     ASID X'0055'  exclusive  true owner\n"
              "    owner  MIMGR    on CICB     ASID X'001C'  exclusive\n"
              "    waiter CICSPB1  on CICB     ASID X'0029'  shared     waiting 118 s\n"
              "    waiter CICSPA2  on CICA     ASID X'002A'  shared     waiting 15 s\n"
              "  SYSDSN CICS.PROD.DFHCSD\n"
              "      2 owners, 1 waiter, longest wait 23 s\n"
              "    owner  MIMGR    on CICA     ASID X'001C'  exclusive\n"
              "    owner  CSDUPDT  on CICB     ASID X'0049'  exclusive  true owner\n"
              "    waiter CICSPA1  on CICA     ASID X'0029'  shared     waiting 23 s\n");
}

// The tree writes an ASID in hexadecimal, the rows in decimal: the form the
// tree prints, copied into --where, must find the same task.
TEST(TreeCommand, TheAsidAsTheTreePrintsItFindsTheTaskInQuery) {
    auto tree = runMentrenq({"tree", "--enqplex", "MIMPLEX"});
    ASSERT_EQ(tree.exitCode, 0) << tree.err;
    const auto at = tree.out.find("ARNIGHT  on CICA     ASID X'");
    ASSERT_NE(at, std::string::npos) << tree.out;
    const std::string printed = tree.out.substr(tree.out.find("X'", at), 7);
    EXPECT_EQ(printed, "X'0055'");
    auto rows = runMentrenq({"query", "--major", "SYSDSN", "--minor", "AR.PROD.INVOICE.KSDS", "--enqplex", "MIMPLEX",
                             "--format", "csv", "--where", "asid = " + printed});
    ASSERT_EQ(rows.exitCode, 0) << rows.err;
    EXPECT_NE(rows.out.find("ARNIGHT"), std::string::npos) << rows.out;
    EXPECT_NE(rows.out.find(",85,"), std::string::npos) << rows.out;
    EXPECT_EQ(rows.out.find("MIMGR"), std::string::npos) << rows.out;

    auto dot = runMentrenq({"tree", "--enqplex", "MIMPLEX", "--format", "dot"});
    EXPECT_NE(dot.out.find("ASID X'0055'"), std::string::npos) << dot.out;
    EXPECT_EQ(dot.out.find("asid "), std::string::npos) << dot.out;
}

TEST(TreeCommand, JsonAndDotDescribeTheSameTree) {
    auto json = runMentrenq({"tree", "--enqplex", "*DEFAULT", "--format", "json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto tree = nlohmann::json::parse(json.out);
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree[0]["enqplex"], "*DEFAULT");
    ASSERT_EQ(tree[0]["resources"].size(), 3u);
    const auto& first = tree[0]["resources"][0];
    EXPECT_EQ(first["majorname"], "SYSDSN");
    EXPECT_EQ(first["minorname"], "TEST.COMMON.PARMLIB");
    EXPECT_EQ(first["status"], noMoreRows);
    EXPECT_EQ(first["owners"], nlohmann::json::parse(R"([{"job": "DEVCOPY", "sysname": "DEV1", "plxname": "DEVPLX",
        "asid": 58, "type": "exclusive", "trueowner": true}])"));
    EXPECT_EQ(first["waiters"][0]["job"], "TSTLOAD");
    EXPECT_EQ(first["waiters"][0]["waittime"], 95);

    auto dot = runMentrenq({"tree", "--enqplex", "*DEFAULT", "--format", "dot"});
    ASSERT_EQ(dot.exitCode, 0) << dot.err;
    EXPECT_EQ(dot.out.rfind("digraph mentrenq {", 0), 0u);
    EXPECT_NE(dot.out.find("subgraph \"cluster_DEV1\""), std::string::npos);
    EXPECT_NE(dot.out.find("\"task:*DEFAULT:TSTB:TSTLOAD:004D\" -> \"resource:*DEFAULT:SYSDSN:TEST.COMMON.PARMLIB\""),
              std::string::npos)
        << dot.out;
    EXPECT_EQ(dot.out.substr(dot.out.size() - 2), "}\n");
}

TEST(TreeCommand, AMinorNameWithBlanksOfItsOwnFindsItsTasks) {
    auto r = runMentrenq({"tree", "--enqplex", "PRODENQ"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Enqplex PRODENQ\n"
                          "  SPFEDIT PAY.PROD.SOURCE                             PAYCALC\n"
                          "      1 owner, 1 waiter, longest wait 1260 s\n"
                          "    owner  JSMITH   on PRDB     ASID X'0061'  exclusive  true owner\n"
                          "    waiter PAYCOMP  on PRDA     ASID X'004B'  exclusive  waiting 1260 s\n",
                          0),
              0u)
        << r.out;
}

TEST(TreeCommand, OnlyAnEnqplexWithoutContentionSaysNoContention) {
    const std::string quiet = temporaryFile("quiet.db");
    ASSERT_EQ(runMentrenq({"generate", "--out", quiet, "--enqplexes", "2", "--resources", "0"}).exitCode, 0);
    auto none = runMentrenq({"tree", "--db", quiet, "--enqplex", "ENQPLEX1"});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "No contention.\n");
    std::remove(quiet.c_str());

    auto mistyped = runMentrenq({"tree", "--enqplex", "NOSUCH"});
    EXPECT_EQ(mistyped.exitCode, 2);
    EXPECT_EQ(mistyped.out, "");
    EXPECT_EQ(mistyped.err,
              "mentrenq: the snapshot has no Enqplex NOSUCH; its Enqplexes are PRODENQ, MIMPLEX, *DEFAULT\n");
}

TEST(SqlCommand, MentrenqIsATableWhoseOtherClausesAreSqlites) {
    auto r = runMentrenq({"sql", "SELECT ENQPLEX, MAJORNAME, MAXWAITTM FROM MENTRENQ WHERE REPORT = 'YES' "
                                 "ORDER BY MAXWAITTM DESC LIMIT 2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "ENQPLEX  MAJORNAME  MAXWAITTM\n"
              "-------  ---------  ---------\n"
              "PRODENQ  SPFEDIT    1260\n"
              "PRODENQ  SYSDSN     610\n");
}

TEST(SqlCommand, JoinsWithTheSnapshotsTablesAndAggregates) {
    auto grouped = runMentrenq({"sql", "SELECT ENQPLEX, COUNT(*), SUM(WAITTASKCT) FROM MENTRENQ WHERE REPORT = 'YES' "
                                       "GROUP BY ENQPLEX ORDER BY 2 DESC, 1"});
    ASSERT_EQ(grouped.exitCode, 0) << grouped.err;
    EXPECT_EQ(grouped.out,
              "ENQPLEX   COUNT(*)  SUM(WAITTASKCT)\n"
              "--------  --------  ---------------\n"
              "PRODENQ   4         5\n"
              "*DEFAULT  3         4\n"
              "MIMPLEX   2         3\n");
    auto joined = runMentrenq({"sql", "SELECT DISTINCT X.SYS_NAME, X.ENQPLEX FROM MENTRENQ M JOIN MXCFSYS X "
                                      "ON X.SYS_NAME = M.SYSNAME WHERE M.MAJORNAME = 'SYSDSN' AND "
                                      "M.MINORNAME = 'PAY.PROD.TAXRATES' AND M.ENQPLEX = 'PRODENQ' ORDER BY 1"});
    ASSERT_EQ(joined.exitCode, 0) << joined.err;
    EXPECT_EQ(joined.out, "SYS_NAME  ENQPLEX\n--------  -------\nPRDA      PRODENQ\nPRDB      PRODENQ\nPRDD      PRODENQ\n");
}

TEST(SqlCommand, AViewFailureIsAnSqlErrorNamingTheStatus) {
    auto r = runMentrenq({"sql", "--storage-limit", "1000", "SELECT COUNT(*) FROM MENTRENQ"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "mentrenq: SQL error: MENTRENQ status 64: a data server request failed (storage, path or summary "
              "query); the storage limit of 1000 bytes refused 1 request\n");
}

TEST(SnapshotCommands, DemoFileAnswersLikeTheBuiltInDemo) {
    const std::string path = temporaryFile("demo.db");
    auto written = runMentrenq({"demo", "--out", path});
    ASSERT_EQ(written.exitCode, 0) << written.err;
    auto fromFile = runMentrenq({"query", "--db", path, "--report", "--format", "csv"});
    auto builtIn = runMentrenq({"query", "--report", "--format", "csv"});
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, builtIn.out);
    std::remove(path.c_str());
    EXPECT_EQ(runMentrenq({"demo"}).exitCode, 2);
}

TEST(SnapshotCommands, GeneratedEnterprisesAreRepeatableAndQueryable) {
    const std::string a = temporaryFile("a.db"), b = temporaryFile("b.db");
    const std::vector<std::string> options = {"--enqplexes", "2", "--sysplexes", "2", "--systems", "2",
                                              "--resources", "20", "--seed", "7"};
    std::vector<std::string> first = {"generate", "--out", a}, second = {"generate", "--out", b};
    first.insert(first.end(), options.begin(), options.end());
    second.insert(second.end(), options.begin(), options.end());
    ASSERT_EQ(runMentrenq(first).exitCode, 0);
    ASSERT_EQ(runMentrenq(second).exitCode, 0);
    auto ra = runMentrenq({"query", "--db", a, "--report", "--format", "csv"});
    auto rb = runMentrenq({"query", "--db", b, "--report", "--format", "csv"});
    EXPECT_EQ(ra.exitCode, 0) << ra.err;
    EXPECT_EQ(ra.out, rb.out);
    EXPECT_GT(ra.out.size(), 1000u);
    std::remove(a.c_str());
    std::remove(b.c_str());
    EXPECT_EQ(runMentrenq({"generate", "--out", a, "--enqplexes", "9"}).exitCode, 2);
    EXPECT_EQ(runMentrenq({"generate", "--out", a, "--seed", "x"}).exitCode, 2);
}

TEST(SnapshotCommands, GenerateWarnsWhenAReportWouldExceedTheViewsLimits) {
    const std::string path = temporaryFile("limits.db");
    auto tooMany = runMentrenq({"generate", "--out", path, "--enqplexes", "8", "--sysplexes", "4", "--systems", "4",
                                "--resources", "500", "--seed", "1"});
    EXPECT_EQ(tooMany.exitCode, 0);
    EXPECT_EQ(tooMany.err, "mentrenq: warning: a report on this enterprise needs up to 17506 summary and detail rows "
                           "(4000 resources, 13506 tasks); the view holds 10000 and ends such a query with status 71\n"
                           "wrote " + path + "\n");
    std::remove(path.c_str());
    auto loop = runMentrenq({"generate", "--out", path, "--enqplexes", "1", "--resources", "4001", "--tasks", "2"});
    EXPECT_NE(loop.err.find("\nmentrenq: warning: a report on this enterprise would hand out 4001 rows; the view ends "
                            "a query that reaches 4001 rows with status 71\n"),
              std::string::npos)
        << loop.err;
    std::remove(path.c_str());

    // The README's example.
    auto fits = runMentrenq({"generate", "--out", path, "--enqplexes", "8", "--sysplexes", "4", "--systems", "4",
                             "--resources", "250", "--seed", "1"});
    EXPECT_EQ(fits.err, "wrote " + path + "\n");
    auto report = runMentrenq({"query", "--db", path, "--report", "--format", "csv"});
    EXPECT_EQ(report.exitCode, 0) << report.err;
    EXPECT_EQ(std::count(report.out.begin(), report.out.end(), '\n'), 2001);
    std::remove(path.c_str());
}

} // namespace
