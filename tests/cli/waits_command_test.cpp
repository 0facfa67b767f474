// mentrenq waits as a monitoring system runs it: the verdict line, the
// performance data and the exit status at, below and above each threshold,
// and UNKNOWN for everything that keeps it from judging.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <nlohmann/json.hpp>

#include <filesystem>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

// The demo's MIMPLEX: two contended resources, 3 waiting tasks, the longest
// wait 118 s on AR.PROD.INVOICE.KSDS, whose true owner is ARNIGHT on CICA.
clitest::CommandResult mimplex(std::vector<std::string> thresholds) {
    std::vector<std::string> args = {"waits", "--enqplex", "MIMPLEX"};
    args.insert(args.end(), thresholds.begin(), thresholds.end());
    return runMentrenq(args);
}

TEST(WaitsCommand, EachThresholdAtItsEdge) {
    struct Case {
        const char* option;
        const char* range;
        int exit;
    } cases[] = {
        {"--warning", "117", 1},         {"--warning", "118", 0},         {"--warning", "119", 0},
        {"--critical", "117", 2},        {"--critical", "118", 0},        {"--critical", "119", 0},
        {"--waiters-warning", "2", 1},   {"--waiters-warning", "3", 0},   {"--waiters-warning", "4", 0},
        {"--waiters-critical", "2", 2},  {"--waiters-critical", "3", 0},  {"--waiters-critical", "4", 0},
        {"--critical", "@118:200", 2},   {"--critical", "@119:200", 0},   {"--warning", "119:", 1},
        {"--warning", "118:", 0},        {"--waiters-warning", "~:2", 1}, {"--waiters-warning", "@0:2", 0},
    };
    for (const auto& c : cases) {
        auto r = mimplex({c.option, c.range});
        EXPECT_EQ(r.exitCode, c.exit) << c.option << " " << c.range << "\n" << r.out;
        EXPECT_EQ(r.err, "");
        const char* state[] = {"OK", "WARNING", "CRITICAL"};
        EXPECT_EQ(r.out.rfind(std::string("MENTRENQ WAITS ") + state[c.exit] + " - ", 0), 0u) << r.out;
    }
    auto r = mimplex({"--warning", "60", "--critical", "300", "--waiters-critical", "2"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "MENTRENQ WAITS CRITICAL - longest wait 118 s on SYSDSN AR.PROD.INVOICE.KSDS, held by ARNIGHT on "
                     "CICA; 3 tasks waiting | longest_wait=118s;60;300;0; waiters=3;;2;0; resources=2;;;0;\n");
}

TEST(WaitsCommand, TheWholeEnterpriseAndNoContention) {
    auto r = runMentrenq({"waits", "--warning", "60", "--critical", "300", "--waiters-warning", "5",
                          "--waiters-critical", "20"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "MENTRENQ WAITS CRITICAL - longest wait 1260 s on SPFEDIT PAY.PROD.SOURCE" + std::string(29, ' ') +
                         "PAYCALC, held by JSMITH on PRDB | longest_wait=1260s;60;300;0; waiters=12;5;20;0; "
                         "resources=9;;;0;\n");

    const std::string calm = clitest::temporaryFile("calm.db");
    std::filesystem::remove(calm);
    ASSERT_EQ(runMentrenq({"generate", "--out", calm, "--resources", "0"}).exitCode, 0);
    r = runMentrenq({"waits", "--db", calm, "--warning", "60", "--waiters-critical", "1:"});
    EXPECT_EQ(r.exitCode, 2) << "no waiter at all is below 1:";
    EXPECT_EQ(r.out, "MENTRENQ WAITS CRITICAL - no contention | longest_wait=0s;60;;0; waiters=0;;1:;0; resources=0;;;0;\n");
    std::filesystem::remove(calm);
}

TEST(WaitsCommand, JsonGivesTheSameVerdict) {
    auto line = mimplex({"--warning", "100", "--critical", "200"});
    auto r = mimplex({"--warning", "100", "--critical", "200", "--format", "json"});
    EXPECT_EQ(line.exitCode, 1);
    EXPECT_EQ(r.exitCode, 1);
    const auto v = nlohmann::json::parse(r.out);
    EXPECT_EQ(v["state"], "WARNING");
    EXPECT_EQ(v["exit_status"], 1);
    EXPECT_EQ(line.out, "MENTRENQ WAITS WARNING - " + v["summary"].get<std::string>() +
                            " | longest_wait=118s;100;200;0; waiters=3;;;0; resources=2;;;0;\n");
    EXPECT_EQ(v["longest_wait"], 118);
    EXPECT_EQ(v["waiters"], 3);
    EXPECT_EQ(v["resources"], 2);
    EXPECT_EQ(v["worst"]["holder"], "ARNIGHT");
    EXPECT_EQ(v["worst"]["sysname"], "CICA");
    EXPECT_EQ(v["worst"]["minorname"], "AR.PROD.INVOICE.KSDS");
    EXPECT_EQ(v["thresholds"]["critical"], "200");
    EXPECT_TRUE(v["thresholds"]["waiters_warning"].is_null());
}

TEST(WaitsCommand, UnknownForEverythingThatKeepsItFromJudging) {
    const std::string missing = clitest::temporaryFile("no-such.db");
    std::filesystem::remove(missing);
    struct Case {
        std::vector<std::string> args;
        const char* line;
    } cases[] = {
        {{"waits", "--db", missing}, "MENTRENQ WAITS UNKNOWN - no snapshot file "},
        {{"waits", "--storage-limit", "1000"}, "MENTRENQ WAITS UNKNOWN - the view failed: status "},
        {{"waits", "--warning", "20:10"}, "MENTRENQ WAITS UNKNOWN - --warning: \"20:10\" is not a threshold range"},
        {{"waits", "--no-such-option"}, "MENTRENQ WAITS UNKNOWN - "},
        {{"waits", "--enqplex", "NOPLEX"}, "MENTRENQ WAITS UNKNOWN - the snapshot has no Enqplex NOPLEX"},
        {{"waits", "--db", missing, "--demo"}, "MENTRENQ WAITS UNKNOWN - give --db FILE or --demo, not both"},
        {{"waits", "--format", "json", "--db", missing}, "{\n  \"state\": \"UNKNOWN\",\n  \"exit_status\": 3,"},
    };
    for (const auto& c : cases) {
        auto r = runMentrenq(c.args);
        EXPECT_EQ(r.exitCode, 3) << c.args.back();
        EXPECT_EQ(r.out.rfind(c.line, 0), 0u) << r.out;
        EXPECT_EQ(r.out.find('|'), std::string::npos) << "no figures without a view: " << r.out;
    }

    const std::string locked = clitest::temporaryFile("waits-locked.db");
    std::filesystem::remove(locked);
    ASSERT_EQ(runMentrenq({"demo", "--out", locked}).exitCode, 0);
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(locked.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE; UPDATE MGLBLENQ SET WAITTIME = 1;", nullptr, nullptr, nullptr),
              SQLITE_OK);
    auto r = runMentrenq({"waits", "--db", locked, "--critical", "1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "MENTRENQ WAITS UNKNOWN - " + locked + ": snapshot is locked by another process\n");
    sqlite3_exec(writer, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    EXPECT_EQ(runMentrenq({"waits", "--db", locked, "--critical", "1"}).exitCode, 2);
    std::filesystem::remove(locked);
}

TEST(WaitsCommand, HelpSaysItsExitStatusesDiffer) {
    auto r = runMentrenq({"waits", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Exit status, unlike the other commands"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Exit status: 0 when the view ended normally"), std::string::npos) << r.out;
}

} // namespace
