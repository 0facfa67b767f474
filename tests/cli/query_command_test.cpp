// mentrenq query through its binary, on the demo enterprise.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

TEST(QueryCommand, ReportAsCsvListsEveryContendedResource) {
    auto r = runMentrenq({"query", "--report", "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = splitLines(r.out);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0],
              "majorname,minorname,owntaskct,waittaskct,maxwaittm,owningas,waitingas,sysname,swapped,type,"
              "asid,waittime,report,originnode,plxname,enqplex,trueowner");
    EXPECT_EQ(lines[4], "SYSDSN,PAY.PROD.EMPLOYEE.MASTER,1,2,342,,,,0,0,0,0,YES,,,PRODENQ,0");
    EXPECT_NE(r.out.find("\r\n"), std::string::npos) << "CSV lines end with CRLF";
    EXPECT_EQ(r.err, clitest::demoNotSeen) << "csv writes no summary line";
}

TEST(QueryCommand, TableHasAHeaderARuleAndASummaryOnStandardError) {
    auto r = runMentrenq({"query", "--demo", "--report"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = splitLines(r.out);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0].rfind("majorname  minorname", 0), 0u);
    EXPECT_EQ(lines[1].rfind("---------  ---", 0), 0u);
    EXPECT_EQ(r.err.rfind(clitest::demoNotSeen + "9 rows, status 62 (end of data), ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(" ms in the view\n"), std::string::npos) << "the demo is not checked: " << r.err;
}

TEST(QueryCommand, TheSummarySaysTheTimeOfTheSnapshotsValueCheckToo) {
    const std::string path = clitest::temporaryFile("summary.db");
    ASSERT_EQ(runMentrenq({"demo", "--out", path}).exitCode, 0);
    auto r = runMentrenq({"query", "--db", path, "--report"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const size_t view = r.err.find(" in the view, "), check = r.err.find(" checking the snapshot\n");
    EXPECT_NE(view, std::string::npos) << r.err;
    EXPECT_NE(check, std::string::npos) << r.err;
    EXPECT_LT(view, check);
    std::remove(path.c_str());
}

TEST(QueryCommand, OneResourceAsJsonGivesOneObjectPerTaskWithNumbers) {
    auto r = runMentrenq({"query", "--major", "SYSDSN", "--minor", "PAY.PROD.EMPLOYEE.MASTER", "--enqplex",
                          "PRODENQ", "--format", "json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], nlohmann::json::parse(R"({"majorname": "SYSDSN", "minorname": "PAY.PROD.EMPLOYEE.MASTER",
        "owntaskct": 1, "waittaskct": 2, "maxwaittm": 342, "owningas": "PAYRL01", "waitingas": "", "sysname": "PRDA",
        "swapped": 0, "type": 0, "asid": 71, "waittime": 0, "report": "", "originnode": "", "plxname": "PRODPLX1",
        "enqplex": "PRODENQ", "trueowner": 128})"));
    EXPECT_EQ(rows[0]["trueowner"], 64);
    EXPECT_EQ(r.out.rfind("[\n  {\n    \"majorname\": \"SYSDSN\",\n", 0), 0u) << "columns in their order";
}

TEST(QueryCommand, AnInvalidCombinationEndsWithStatus71AndItsMeaning) {
    auto r = runMentrenq({"query", "--major", "SYSDSN", "--format", "csv"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("Invalid Combination of Index Values"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("mentrenq: status 71: view abandoned (invalid index predicates)"), std::string::npos);
    EXPECT_EQ(splitLines(r.out).size(), 1u) << "only the header";
}

TEST(QueryCommand, NoPredicateAtAllIsReportedByTheModule) {
    auto r = runMentrenq({"query", "--format", "csv"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("No Indexing Specified"), std::string::npos);
}

TEST(QueryCommand, WhereWithAnUnknownOperatorIsAUsageError) {
    auto r = runMentrenq({"query", "--where", "REPORT LIKE YES"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("unknown operator \"LIKE\""), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(QueryCommand, WhereWithAnOperatorTheViewRefusesIsCheckedOnTheRows) {
    // The view gets the report instead, and no report row has REPORT <> 'YES'.
    auto r = runMentrenq({"query", "--trace", "setupIndices:detail", "--where", "REPORT <> YES", "--format", "csv"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(splitLines(r.out).size(), 1u) << "only the header";
    EXPECT_EQ(r.err.find("index operator must be"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("OP: EQ    COL: REPORT"), std::string::npos) << r.err;
    auto some = runMentrenq({"query", "--where", "REPORT <> NO", "--format", "csv"});
    EXPECT_EQ(some.exitCode, 0) << some.err;
    EXPECT_EQ(some.out, runMentrenq({"query", "--report", "--format", "csv"}).out);
}

TEST(QueryCommand, PredicatesReachTheModuleInCommandLineOrder) {
    auto r = runMentrenq({"query", "--trace", "setupIndices:detail", "--enqplex", "PRODENQ", "--where",
                          "MINORNAME = PAY.PROD.TAXRATES", "--major", "SYSDSN", "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const size_t enqplex = r.err.find("COL: ENQPLEX");
    const size_t minor = r.err.find("COL: MINORNAME");
    const size_t major = r.err.find("COL: MAJORNAME");
    ASSERT_NE(enqplex, std::string::npos) << r.err;
    EXPECT_LT(enqplex, minor);
    EXPECT_LT(minor, major);
    EXPECT_EQ(splitLines(r.out).size(), 4u) << "two owners and a waiter";
}

TEST(QueryCommand, TraceGoesToTheTraceFileWhenOneIsGiven) {
    const std::string path = clitest::temporaryFile("trace.txt");
    auto r = runMentrenq({"query", "--report", "--format", "csv", "--trace", "FigConfig:detail", "--trace-file", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, clitest::demoNotSeen);
    std::ifstream in(path);
    std::stringstream trace;
    trace << in.rdbuf();
    EXPECT_EQ(trace.str().rfind("FigConfig: INODESTS SQL(SELECT    INODESTS.NODE ,", 0), 0u) << trace.str();
    std::remove(path.c_str());
}

TEST(QueryCommand, UnconditionalLinesReachTheTraceWithoutAnyTraceOption) {
    // The demo report skips a System without a thru-node in phase II: an
    // error-trace line, written only when error trace is asked for.
    auto traced = runMentrenq({"query", "--report", "--format", "csv", "--trace", "error"});
    ASSERT_EQ(traced.exitCode, 0) << traced.err;
    ASSERT_NE(traced.err.find("No ThruNode info"), std::string::npos) << traced.err;
    auto r = runMentrenq({"query", "--report", "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, traced.out);
    EXPECT_EQ(r.err, clitest::demoNotSeen) << "an error-trace line stays quiet; the command says what it means";
    auto unindexed = runMentrenq({"query", "--report", "--where", "MAXWAITTM >= 0", "--format", "csv"});
    EXPECT_EQ(unindexed.exitCode, 0);
    EXPECT_EQ(unindexed.err,
              "setupIndices: Unrecognized or unsupported index column \"MAXWAITTM\"\n" + clitest::demoNotSeen);
}

// Each usage error names what is wrong with the command line, and nothing
// runs: no row, no trace.
TEST(QueryCommand, BadOptionsAreUsageErrors) {
    const std::string queryHelp = "(mentrenq query --help lists the options)\n";
    const std::string commandsHelp = "(mentrenq --help describes them)\n";
    const std::string commands = "query, tree, sql, check, demo, generate, record, history, diff, simulate, serve, waits and watch";
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"query", "--report", "--format", "xml"}, "mentrenq: --format: must be one of table, csv, json, not \"xml\"\n" + queryHelp},
        {{"query", "--report", "--trace", "loud"},
         "mentrenq: --trace: unknown trace level \"loud\" (use events, error, detail, all or none)\n" + queryHelp},
        {{"query", "--colour"}, "mentrenq: The following argument was not expected: --colour\n" + queryHelp},
        {{"query", "--major"}, "mentrenq: --major: 1 required NAME missing\n" + queryHelp},
        {{"query", "--report", "--db", "x.db", "--demo"}, "mentrenq: give --db FILE or --demo, not both\n"},
        {{"frobnicate"},
         "mentrenq: unknown command \"frobnicate\"; the commands are " + commands + "\n" + commandsHelp},
        {{}, "mentrenq: give a command: " + commands + "\n" + commandsHelp},
    };
    for (const Case& c : cases) {
        auto r = runMentrenq(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
    auto help = runMentrenq({"query", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Run one MENTRENQ query through the module\nUsage: mentrenq query [OPTIONS]\n", 0), 0u)
        << help.out;
    EXPECT_NE(help.out.find("Columns: majorname, minorname, owntaskct,"), std::string::npos) << help.out;
}

TEST(QueryCommand, MissingOrForeignSnapshotFilesAreRefusedClearly) {
    auto missing = runMentrenq({"query", "--report", "--db", "/nonexistent/enterprise.db"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "mentrenq: no snapshot file /nonexistent/enterprise.db\n");

    const std::string text = clitest::temporaryFile("not-a-snapshot.db");
    std::ofstream(text) << "this is not a database, only some text\n";
    auto foreign = runMentrenq({"query", "--report", "--db", text});
    EXPECT_EQ(foreign.exitCode, 2);
    EXPECT_NE(foreign.err.find("is not an enterprise snapshot"), std::string::npos) << foreign.err;
    std::remove(text.c_str());
}

TEST(QueryCommand, AModuleThatCannotBeLoadedIsNamed) {
    auto r = runMentrenq({"query", "--report", "--module", "/nonexistent/ZRX.so"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("cannot load module /nonexistent/ZRX.so"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("use --module"), std::string::npos) << "the module was named already: " << r.err;
}

} // namespace
