// The command line: options, help, version, where SQL comes from, and the
// module's routine names for --trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>

#include "cli/module_routines.h"
#include "run_command.h"

namespace {

using clitest::runMentrenq;

TEST(CommandLine, AnOptionNeverTakesTheNextOptionAsItsValue) {
    auto r = runMentrenq({"query", "--major", "--report"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err,
              "mentrenq: --major needs a value, not the option --report (write --major=VALUE for a value that begins "
              "with -)\n(mentrenq query --help lists the options)\n");
    auto written = runMentrenq({"query", "--major=--report", "--trace", "setupIndices:detail", "--format", "csv"});
    EXPECT_EQ(written.exitCode, 3) << "a value the view reads, and refuses alone";
    EXPECT_NE(written.err.find("COL: MAJORNAME                 VAL: --report\n"), std::string::npos) << written.err;
}

TEST(CommandLine, DoubleDashEndsTheOptions) {
    auto r = runMentrenq({"sql", "--", "-- a comment first\nSELECT 1 AS one"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "one\n---\n1\n");
}

TEST(CommandLine, SqlComesFromTheArgumentAFileOrStandardInput) {
    const std::string file = clitest::temporaryFile("query.sql");
    std::ofstream(file) << "SELECT COUNT(*) AS n FROM MENTRENQ WHERE REPORT = 'YES';\n";
    auto fromFile = runMentrenq({"sql", "--file", file});
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, "n\n-\n9\n");
    clitest::RunOptions piped;
    piped.input = clitest::readFile(file);
    EXPECT_EQ(runMentrenq({"sql", "-"}, piped).out, fromFile.out);
    EXPECT_EQ(runMentrenq({"sql", "--file", "-"}, piped).out, fromFile.out);
    std::remove(file.c_str());

    auto both = runMentrenq({"sql", "--file", file, "SELECT 1"});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_EQ(both.err, "mentrenq: give the SQL text or --file FILE, not both\n");
    auto missing = runMentrenq({"sql", "--file", file});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "mentrenq: cannot read " + file + ": No such file or directory\n");
}

TEST(CommandLine, NumbersOutsideTheirRangeNameTheRange) {
    auto r = runMentrenq({"generate", "--out", clitest::temporaryFile("no.db"), "--enqplexes", "1000000000"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "mentrenq: --enqplexes: must be a whole number from 1 to 8, not \"1000000000\"\n"
                     "(mentrenq generate --help lists the options)\n");
    auto limit = runMentrenq({"query", "--report", "--storage-limit", "0"});
    EXPECT_EQ(limit.exitCode, 2);
    EXPECT_EQ(limit.err.rfind("mentrenq: --storage-limit: must be a whole number from 1 to 4294967295, not \"0\"\n", 0),
              0u);
    auto empty = runMentrenq({"query", "--report", "--db", ""});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_EQ(empty.err, "mentrenq: --db: needs a file name\n(mentrenq query --help lists the options)\n");
}

TEST(CommandLine, HelpForEveryCommandAndTheVersion) {
    for (const char* command : {"query", "tree", "sql", "check", "demo", "generate"}) {
        auto r = runMentrenq({command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_NE(r.out.find(std::string("Usage: mentrenq ") + command + " [OPTIONS]"), std::string::npos) << r.out;
    }
    auto version = runMentrenq({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "mentrenq 1.0.0\n");
    EXPECT_EQ(runMentrenq({}).exitCode, 2);
}

TEST(CommandLine, AnUnknownOrMissingCommandIsNamedWithTheKnownOnes) {
    const std::string known = "query, tree, sql, check, demo, generate, record, history, diff, simulate, serve, waits and watch\n"
                              "(mentrenq --help describes them)\n";
    for (const auto& [args, err] :
         {std::pair<std::vector<std::string>, std::string>{{"bogus"}, "unknown command \"bogus\"; the commands are "},
          {{"bogus", "--report"}, "unknown command \"bogus\"; the commands are "},
          {{"--", "query"}, "give a command: "},
          {{"--bogus"}, "give a command: "},
          {{}, "give a command: "}}) {
        auto r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, "mentrenq: " + err + known);
    }
}

TEST(CommandLine, AnOptionOfOneValueGivenTwiceIsRefused) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"query", "--report", "--format", "csv", "--format", "json"}, "--format is given 2 times"},
        {{"tree", "--enqplex=MIMPLEX", "--enqplex=PRODENQ"}, "--enqplex is given 2 times"},
        {{"sql", "--db", "a.db", "--db", "a.db", "--db", "a.db", "SELECT 1"}, "--db is given 3 times"},
        {{"demo", "--out", "a.db", "--out", "b.db"}, "--out is given 2 times"},
    };
    for (const auto& [args, given] : cases) {
        auto r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 2) << given;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "mentrenq: " + given + "; it takes one value\n(mentrenq " + args[0] +
                             " --help lists the options)\n");
    }
    auto predicates = runMentrenq({"query", "--major", "SYSDSN", "--major", "SYSDSN", "--minor", "CICS.PROD.DFHCSD",
                                   "--enqplex", "MIMPLEX", "--format", "csv"});
    EXPECT_EQ(predicates.exitCode, 0) << "every predicate reaches the view: " << predicates.err;
}

TEST(CommandLine, EachCommandsHelpListsWhatAppliesToIt) {
    auto demo = runMentrenq({"demo", "--help"});
    EXPECT_EQ(demo.exitCode, 0);
    for (const char* foreign : {"--trace", "--module", "--db", "--storage-limit", "$MENTRENQ_MODULE"})
        EXPECT_EQ(demo.out.find(foreign), std::string::npos) << foreign << " in\n" << demo.out;
    for (const char* view : {"query", "tree", "sql"}) {
        auto r = runMentrenq({view, "--help"});
        EXPECT_NE(r.out.find("--trace-file FILE"), std::string::npos) << view;
        EXPECT_NE(r.out.find("ROUTINE:LEVELS"), std::string::npos) << view;
        EXPECT_NE(r.out.find("--force"), std::string::npos) << view;
    }
    auto generate = runMentrenq({"generate", "--help"});
    EXPECT_NE(generate.out.find("--resources times --tasks (the tasks of one Enqplex) must be at most 400000"),
              std::string::npos)
        << generate.out;
    EXPECT_EQ(generate.out.find("--trace"), std::string::npos);
}

TEST(TraceOption, AnUnknownRoutineIsRefusedWithTheKnownOnes) {
    auto r = runMentrenq({"query", "--report", "--trace", "NoSuchRoutine:all"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.rfind("mentrenq: --trace: no routine \"NoSuchRoutine\" in the module; its routines are: DQSQLI "
                          "DQSQLW DQSQLX DoMxcfsysRow ",
                          0),
              0u)
        << r.err;
    EXPECT_NE(r.err.find(" setupIndices "), std::string::npos);
}

// The list comes from the module's sources; every routine that writes a
// line in a fully traced report and single-resource query must be in it.
TEST(TraceOption, TheRoutineListHoldsEveryRoutineThatTraces) {
    std::set<std::string> traced;
    for (const auto& args : {std::vector<std::string>{"query", "--report", "--trace", "all", "--format", "csv"},
                             std::vector<std::string>{"query", "--major", "SYSDSN", "--minor", "AR.PROD.INVOICE.KSDS",
                                                      "--enqplex", "MIMPLEX", "--trace", "all", "--format", "csv"}}) {
        auto r = runMentrenq(args);
        ASSERT_EQ(r.exitCode, 0) << r.err.substr(0, 300);
        for (size_t at = 0; at < r.err.size();) {
            const size_t end = r.err.find('\n', at);
            const std::string line = r.err.substr(at, end - at);
            const size_t colon = line.find(':');
            const std::string routine = line.substr(0, colon);
            if (colon != std::string::npos && !routine.empty() && routine != "mentrenq" &&
                std::all_of(routine.begin(), routine.end(), [](char c) { return std::isalnum(c) || c == '_'; }))
                traced.insert(routine);
            at = end == std::string::npos ? r.err.size() : end + 1;
        }
    }
    const auto& known = cli::moduleRoutineNames();
    EXPECT_GE(traced.size(), 25u);
    for (const auto& routine : traced)
        EXPECT_TRUE(std::binary_search(known.begin(), known.end(), routine)) << routine;
}

} // namespace
