// A sample's transaction interrupted anywhere: by a failure inside it, or by
// the process being killed. The history passes integrity_check, holds only
// whole samples, and its episodes are those of the samples it holds.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "history_fixture.h"
#include "history_samples.h"

namespace {

using namespace historytest;

// The samples written one after the other: resources come and go, one
// failure in seven, retention from the tenth on.
history::Sample nthSample(int n) {
    if (n % 7 == 6) return failedSample(n * 30);
    std::vector<Contended> resources;
    for (int k = 0; k < 4; ++k)
        if ((n + k) % 3 != 0)
            resources.push_back({"PLEXA", "SYSDSN", "DATA.SET" + std::to_string(k), 1 + (n + k) % 4, n * 30 + k,
                                 {"JOB" + std::to_string((n / 5 + k) % 3) + "@SYSA"}});
    return goodSample(n * 30, resources);
}

std::optional<int64_t> keepFor(int n) { return n >= 10 ? std::optional<int64_t>(200000) : std::nullopt; }

class Interruption : public HistoryFile {
protected:
    // Samples, episodes and rows, as a text to compare whole.
    std::string state() {
        Look look(path);
        std::string text = printable(storedEpisodes(look.db));
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(look.db,
                           "SELECT ID, TAKEN_MS, INTERVAL_MS, (SELECT COUNT(*) FROM ROWS WHERE SAMPLE_ID = SAMPLES.ID) "
                           "FROM SAMPLES ORDER BY ID",
                           -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW)
            for (int i = 0; i < 4; ++i) text += std::to_string(sqlite3_column_int64(s, i)) + (i < 3 ? " " : "\n");
        sqlite3_finalize(s);
        return text;
    }

    void expectWhole() {
        Look look(path);
        EXPECT_EQ(wholeness(look.db), "");
        EXPECT_EQ(printable(storedEpisodes(look.db)), printable(referenceEpisodes(look.db)));
    }
};

TEST_F(Interruption, AFailureAtAnyPointOfTheTransactionWritesNothing) {
    for (int point = 0; point < history::writePointCount; ++point) {
        SCOPED_TRACE("point " + std::to_string(point));
        writer.reset();
        ASSERT_TRUE(makeHistory(path));
        std::string error;
        history::OpenProblem problem;
        writer = history::Writer::open(path, error, problem);
        ASSERT_TRUE(writer) << error;
        for (int n = 0; n < 14; ++n) {
            history::AppendResult result;
            ASSERT_TRUE(writer->append(nthSample(n), keepFor(n), result, error)) << error;
        }
        const std::string before = state();
        bool failNow = true;
        writer->setFaultHook([&](history::WritePoint p) { return !(failNow && static_cast<int>(p) == point); });
        history::AppendResult result;
        EXPECT_FALSE(writer->append(nthSample(14), keepFor(14), result, error));
        EXPECT_NE(error.find("fault injected"), std::string::npos) << error;
        EXPECT_EQ(state(), before);
        failNow = false;
        ASSERT_TRUE(writer->append(nthSample(14), keepFor(14), result, error)) << error;
        EXPECT_NE(state(), before);
        expectWhole();
    }
}

// The child appends samples until it is killed: at each point of a
// transaction in turn, then at random moments.
TEST_F(Interruption, AKilledWriterLeavesOnlyWholeSamples) {
    writer.reset();
    std::mt19937 random(7);
    for (int attempt = 0; attempt < history::writePointCount + 12; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        const int killAt = attempt < history::writePointCount ? attempt : -1;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string error;
            history::OpenProblem problem;
            auto w = history::Writer::open(path, error, problem);
            if (!w) _exit(3);
            std::optional<int64_t> last;
            w->lastTakenMs(last, error);
            int n = last ? static_cast<int>((*last - baseMs) / 30000) + 1 : 0;
            const int stopAfter = n + 3;
            w->setFaultHook([&](history::WritePoint p) {
                if (static_cast<int>(p) == killAt && n == stopAfter) raise(SIGKILL);
                return true;
            });
            for (;; ++n) {
                history::AppendResult result;
                if (!w->append(nthSample(n), keepFor(n), result, error)) _exit(4);
            }
        }
        if (killAt < 0) {
            usleep(static_cast<useconds_t>(random() % 40000));
            kill(child, SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself with " << WEXITSTATUS(status);
        expectWhole();
    }
    // Each child went on from where the one before was killed: the children
    // killed at a point each wrote 3 whole samples first.
    std::optional<history::SampleInfo> last;
    std::string error;
    ASSERT_TRUE(reader()->last(last, error)) << error;
    ASSERT_TRUE(last);
    EXPECT_GE(last->takenMs - baseMs, 30000 * (3 * history::writePointCount - 1));
}

} // namespace
