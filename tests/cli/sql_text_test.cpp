// sql: where its statements come from, what it does with text it cannot
// run, and how it writes what the statements return.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

#include "run_command.h"

namespace {

using clitest::runMentrenq;
using clitest::temporaryFile;

// Long enough for the emulated and sanitized builds; a program that loops
// ends by SIGALRM (exit status 142) instead of stopping the suite.
clitest::RunOptions guarded(const std::string& input = "") {
    clitest::RunOptions options;
    options.input = input;
    options.hangLimitSeconds = 120;
    return options;
}

TEST(SqlText, ANulByteIsRefusedWhereverTheTextComesFrom) {
    const std::string file = temporaryFile("nul.sql");
    std::ofstream(file, std::ios::binary) << std::string("SELECT 1;\0SELECT 2;", 19);
    const std::string why = " holds a NUL byte (byte 10), which SQL text cannot hold; write x'00' for one in a value\n";
    struct Case {
        std::vector<std::string> args;
        std::string input, err;
    };
    const std::string statementThenNul("SELECT 1;\0", 10);
    for (const Case& c : {Case{{"sql", "-"}, std::string(1, '\0'),
                               "mentrenq: standard input holds a NUL byte (byte 1), which SQL text cannot hold; write "
                               "x'00' for one in a value\n"},
                          Case{{"sql", "-"}, statementThenNul, "mentrenq: standard input" + why},
                          Case{{"sql", "--file", "-"}, statementThenNul, "mentrenq: standard input" + why},
                          Case{{"sql", "--file", file}, "", "mentrenq: " + file + why}}) {
        auto r = runMentrenq(c.args, guarded(c.input));
        EXPECT_EQ(r.exitCode, 2) << c.args.back();
        EXPECT_EQ(r.out, "") << "nothing runs";
        EXPECT_EQ(r.err, c.err);
    }
    std::filesystem::remove(file);
}

TEST(SqlText, NoStatementIsAUsageErrorNeverASilentSuccess) {
    const std::string folder = temporaryFile("statements");
    std::filesystem::create_directory(folder);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"sql", ""}, "mentrenq: the argument holds no SQL statement\n"},
        {{"sql", " -- a comment alone\n/* and another */ ;"}, "mentrenq: the argument holds no SQL statement\n"},
        {{"sql", "-"}, "mentrenq: standard input holds no SQL statement\n"},
        {{"sql", "--file", folder}, "mentrenq: cannot read " + folder + ": Is a directory\n"},
    };
    for (const auto& [args, err] : cases) {
        auto r = runMentrenq(args, guarded());
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, err);
    }
    std::filesystem::remove(folder);
}

TEST(SqlText, AnEndlessInputEndsWithAMessage) {
    // 64 MiB and one byte of blanks: beyond what the command reads.
    auto r = runMentrenq({"sql", "-"}, guarded(std::string((std::size_t{64} << 20) + 1, ' ')));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "mentrenq: standard input holds more than 67108864 bytes of SQL text\n");
}

TEST(SqlText, AStatementSqliteCannotReadIsAUsageError) {
    for (const auto& [sql, err] : {std::pair<std::string, std::string>{"SELEKT 1", "near \"SELEKT\": syntax error"},
                                   {"SELECT 1; SELECT nosuch FROM MXCFSYS", "no such column: nosuch"},
                                   {"SELECT * FROM nosuch", "no such table: nosuch"}}) {
        auto r = runMentrenq({"sql", sql});
        EXPECT_EQ(r.exitCode, 2) << sql;
        EXPECT_EQ(r.out, "") << "every statement is read before one runs";
        EXPECT_EQ(r.err, "mentrenq: SQL error: " + err + "\n");
    }
}

const char* oddValues = "SELECT x'00ff' AS b, 'a' || char(0) || 'b' AS t, NULL AS n, 1.5 AS r, 'x,\"y' AS q, 7 AS b";

TEST(SqlFormats, TheTableShowsBlobsAndNulBytesAsLiterals) {
    auto r = runMentrenq({"sql", oddValues});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "b        t          n     r    q     b\n"
              "-------  ---------  ----  ---  ----  -\n"
              "x'00ff'  x'610062'  NULL  1.5  x,\"y  7\n");
}

TEST(SqlFormats, CsvAndJsonWriteEveryValueAndEveryColumn) {
    auto csv = runMentrenq({"sql", "--format", "csv", oddValues});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const char expected[] = "b,t,n,r,q,b\r\nx'00ff',a\0b,,1.5,\"x,\"\"y\",7\r\n";
    EXPECT_EQ(csv.out, std::string(expected, sizeof expected - 1)) << "a text keeps its NUL byte";

    auto json = runMentrenq({"sql", "--format", "json", oddValues});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::parse(R"([{"b": "x'00ff'", "t": "a\u0000b",
        "n": null, "r": 1.5, "q": "x,\"y", "b:2": 7}])"));

    auto report = runMentrenq({"sql", "--format", "json", "SELECT ENQPLEX, MAXWAITTM FROM MENTRENQ "
                                                          "WHERE REPORT = 'YES' ORDER BY MAXWAITTM DESC LIMIT 2"});
    EXPECT_EQ(nlohmann::json::parse(report.out), nlohmann::json::parse(R"([{"ENQPLEX": "PRODENQ", "MAXWAITTM": 1260},
        {"ENQPLEX": "PRODENQ", "MAXWAITTM": 610}])"));
    auto none = runMentrenq({"sql", "--format", "json", "SELECT 1 WHERE 0"});
    EXPECT_EQ(none.out, "[]\n");
}

TEST(SqlFormats, CsvAndJsonTakeOneStatementATableTakesMany) {
    auto two = runMentrenq({"sql", "--format", "json", "SELECT 1; SELECT 2"});
    EXPECT_EQ(two.exitCode, 2);
    EXPECT_EQ(two.out, "");
    EXPECT_EQ(two.err, "mentrenq: --format json writes the result of one statement; the argument holds 2\n");
    auto tables = runMentrenq({"sql", "SELECT 1 AS a; SELECT 2 AS b"});
    EXPECT_EQ(tables.exitCode, 0);
    EXPECT_EQ(tables.out, "a\n-\n1\nb\n-\n2\n");
}

TEST(SqlFormats, AnEndlessResultEndsWithAMessage) {
    const std::string endless = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) ";
    auto table = runMentrenq({"sql", endless + "SELECT x, hex(zeroblob(500000)) FROM c"}, guarded());
    EXPECT_EQ(table.exitCode, 3);
    EXPECT_EQ(table.out, "") << "a table is written whole or not at all";
    EXPECT_EQ(table.err, "mentrenq: SQL error: the result holds more than 134217728 bytes, more than a table takes; "
                         "write it with --format csv or json, or narrow it\n");
    auto huge = runMentrenq({"sql", "--format", "csv", "SELECT zeroblob(1000000000)"}, guarded());
    EXPECT_EQ(huge.exitCode, 3);
    EXPECT_EQ(huge.err, "mentrenq: SQL error: string or blob too big\n");

    clitest::RunOptions gone = guarded();
    gone.readerGone = true;
    for (const char* format : {"csv", "json"}) {
        auto streamed = runMentrenq({"sql", "--format", format, endless + "SELECT x FROM c"}, gone);
        EXPECT_EQ(streamed.exitCode, 3) << format << ": stops once nobody reads";
        EXPECT_EQ(streamed.err.rfind("mentrenq: cannot write standard output: Broken pipe", 0), 0u) << streamed.err;
    }
}

} // namespace
