// tree with one job and with the default (one per core): the same output,
// byte for byte, in every format; --jobs checked like every number option.
#include <gtest/gtest.h>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

TEST(TreeJobs, OneJobAndTheDefaultWriteTheSame) {
    const std::string db = clitest::temporaryFile("jobs.db");
    ASSERT_EQ(runMentrenq({"generate", "--out", db, "--enqplexes", "3", "--sysplexes", "2", "--systems", "2",
                           "--resources", "40", "--seed", "3"})
                  .exitCode,
              0);
    for (const std::vector<std::string>& where : {std::vector<std::string>{}, std::vector<std::string>{"--db", db}}) {
        for (const char* format : {"text", "json", "dot"}) {
            std::vector<std::string> args = {"tree", "--format", format};
            args.insert(args.end(), where.begin(), where.end());
            const auto byDefault = runMentrenq(args);
            args.insert(args.end(), {"--jobs", "1"});
            const auto one = runMentrenq(args);
            args.back() = "7";
            const auto seven = runMentrenq(args);
            EXPECT_EQ(byDefault.exitCode, 0) << byDefault.err;
            EXPECT_GT(byDefault.out.size(), 1000u) << format;
            EXPECT_EQ(one.out, byDefault.out) << format;
            EXPECT_EQ(seven.out, byDefault.out) << format;
            EXPECT_EQ(one.err, byDefault.err) << format;
            EXPECT_EQ(seven.err, byDefault.err) << format;
            EXPECT_EQ(clitest::withoutNotSeen(byDefault.err), "") << format;
        }
    }
    std::remove(db.c_str());
}

TEST(TreeJobs, AFailureIsReportedTheSameWithAnyNumberOfJobs) {
    const auto one = runMentrenq({"tree", "--storage-limit", "1000", "--jobs", "1"});
    const auto many = runMentrenq({"tree", "--storage-limit", "1000", "--jobs", "4"});
    EXPECT_EQ(one.exitCode, 3);
    EXPECT_EQ(many.exitCode, 3);
    EXPECT_EQ(one.err, many.err);
}

TEST(TreeJobs, JobsMustBeAWholeNumberFromOneTo256) {
    for (const char* bad : {"0", "257", "-1", "two", "1.5"}) {
        const auto r = runMentrenq({"tree", std::string("--jobs=") + bad});
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_EQ(r.out, "") << bad;
        EXPECT_EQ(r.err.rfind(std::string("mentrenq: --jobs: must be a whole number from 1 to 256, not \"") + bad +
                                  "\"\n",
                              0),
                  0u)
            << r.err;
    }
    EXPECT_EQ(runMentrenq({"tree", "--jobs="}).exitCode, 2);
    EXPECT_EQ(runMentrenq({"tree", "--jobs", "256", "--enqplex", "MIMPLEX"}).exitCode, 0);
}

} // namespace
