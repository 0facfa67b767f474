// Episodes as samples arrive: where they begin and end, what they count,
// and that the figures kept up to date sample by sample are those worked
// out again from the samples alone.
#include <gtest/gtest.h>

#include <random>

#include "history_fixture.h"
#include "history_samples.h"

namespace {

using namespace historytest;

const Contended payroll{"PLEXA", "SYSDSN", "PAY.MASTER", 2, 10, {"PAYJOB@SYSA"}};
const Contended catalog{"PLEXB", "SYSIGGV2", "CATALOG.UCAT", 1, 5, {"CATJOB@SYSB"}};

Contended with(Contended c, int32_t waiters, int32_t maxWait, std::vector<std::string> holders = {}) {
    c.waiters = waiters;
    c.maxWait = maxWait;
    if (!holders.empty()) c.holders = std::move(holders);
    return c;
}

class Episodes : public HistoryFile {
protected:
    std::vector<ReferenceEpisode> stored() {
        Look look(path);
        return storedEpisodes(look.db);
    }
    void expectConsistent() {
        Look look(path);
        EXPECT_EQ(wholeness(look.db), "");
        EXPECT_EQ(printable(storedEpisodes(look.db)), printable(referenceEpisodes(look.db)));
    }
};

TEST_F(Episodes, AGapEndsOneAFailedSampleEndsNoneAndAHolderMayChangeInside) {
    append(goodSample(0, {payroll, catalog}));
    append(goodSample(60, {with(payroll, 3, 70), catalog}));
    append(failedSample(120));
    append(goodSample(180, {with(payroll, 1, 130, {"NEWJOB@SYSA"})}));
    append(goodSample(240, {catalog}));
    append(goodSample(300, {with(catalog, 4, 65)}));

    const std::vector<ReferenceEpisode> expected = {
        // Seen at 0, 60 and 180: the failed sample at 120 kept it going, and
        // its time counts for nobody.
        {"PLEXA", "SYSDSN", "PAY.MASTER", baseMs, baseMs + 180000, 3, 3, 130, (2 * 60 + 3 * 60 + 1 * 60) * 1000, false,
         {{"PAYJOB@SYSA", (2 * 60 + 3 * 60) * 1000}, {"NEWJOB@SYSA", 60 * 1000}}},
        // Ended by the sample at 180, which lacked it.
        {"PLEXB", "SYSIGGV2", "CATALOG.UCAT", baseMs, baseMs + 60000, 2, 1, 5, 120000, false, {{"CATJOB@SYSB", 120000}}},
        // Back at 240: a new episode, still open; the last sample adds nothing yet.
        {"PLEXB", "SYSIGGV2", "CATALOG.UCAT", baseMs + 240000, baseMs + 300000, 2, 4, 65, 60000, true,
         {{"CATJOB@SYSB", 60000}}},
    };
    EXPECT_EQ(printable(stored()), printable(expected));
    expectConsistent();

    // The next sample completes the last one's share: 4 waiters for 30 s.
    append(goodSample(330, {with(catalog, 1, 95)}));
    const auto after = stored();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[2].blocked, 60000 + 4 * 30000);
    EXPECT_EQ(after[2].holders[0].second, 60000 + 4 * 30000);
    EXPECT_EQ(after[2].samples, 3);
    expectConsistent();
}

TEST_F(Episodes, AFailedSampleStillCompletesThePreviousSamplesShare) {
    append(goodSample(0, {payroll}));
    append(failedSample(45));
    EXPECT_EQ(stored().at(0).blocked, 2 * 45000);
    EXPECT_TRUE(stored().at(0).open);
    append(goodSample(100, {}));
    EXPECT_FALSE(stored().at(0).open);
    EXPECT_EQ(stored().at(0).blocked, 2 * 45000);
    expectConsistent();
}

TEST_F(Episodes, ASampleNotLaterThanTheLastIsNotWritten) {
    append(goodSample(60, {payroll}));
    for (int64_t seconds : {60, 30}) {
        history::AppendResult result;
        std::string error;
        ASSERT_TRUE(writer->append(goodSample(seconds, {catalog}), std::nullopt, result, error)) << error;
        EXPECT_EQ(result.outcome, history::AppendOutcome::NotLater);
        EXPECT_EQ(result.lastTakenMs, baseMs + 60000);
    }
    EXPECT_EQ(stored().size(), 1u);
    expectConsistent();
}

TEST_F(Episodes, OnlyAResourcesFirstReportRowAndItsOwnOwnerRowsCount) {
    history::Sample s = goodSample(0, {payroll, with(payroll, 9, 999, {"OTHER@SYSZ"})});
    // A row of another resource among the payroll rows names no holder of it.
    zrx::MentrenqRow stray = detailRows(catalog).front();
    s.resources[0].rows.push_back(stray);
    append(s);
    append(goodSample(10, {payroll}));
    const auto episodes = stored();
    ASSERT_EQ(episodes.size(), 1u);
    EXPECT_EQ(episodes[0].maxWaiters, 2);
    EXPECT_EQ(episodes[0].maxWait, 10);
    ASSERT_EQ(episodes[0].holders.size(), 1u);
    EXPECT_EQ(episodes[0].holders[0], (std::pair<std::string, int64_t>{"PAYJOB@SYSA", 20000}));
    expectConsistent();
}

TEST_F(Episodes, RetentionKeepsTheEpisodesOfTheSamplesThatRemain) {
    append(goodSample(0, {with(payroll, 5, 900, {"OLDJOB@SYSA"}), catalog}));
    append(goodSample(60, {payroll, catalog}));
    append(goodSample(120, {payroll}));
    append(goodSample(180, {payroll}));
    // Keep 120 s: the samples at 0 and 60 go; payroll's episode now starts at
    // 120, without the 5 waiters and the holder of the sample at 0; the
    // catalog's episode, over before 120, goes whole.
    append(goodSample(240, {payroll}), 120000);
    const auto episodes = stored();
    ASSERT_EQ(episodes.size(), 1u) << printable(episodes);
    EXPECT_EQ(episodes[0].firstSeen, baseMs + 120000);
    EXPECT_EQ(episodes[0].samples, 3);
    EXPECT_EQ(episodes[0].maxWaiters, 2);
    EXPECT_EQ(episodes[0].maxWait, 10);
    EXPECT_EQ(episodes[0].blocked, 2 * 120000);
    EXPECT_EQ(episodes[0].holders, (std::vector<std::pair<std::string, int64_t>>{{"PAYJOB@SYSA", 2 * 120000}}));
    EXPECT_TRUE(episodes[0].open);
    auto r = reader();
    std::vector<history::SampleInfo> samples;
    std::string error;
    ASSERT_TRUE(r->samples(std::nullopt, std::nullopt, samples, error)) << error;
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].takenMs, baseMs + 120000);
    expectConsistent();
}

// Random samples over a few resources, holders and failures, some with
// retention: after every sample the episodes kept are those worked out again.
TEST_F(Episodes, KeptUpToDateTheyEqualThoseWorkedOutAgain) {
    std::mt19937 random(20261210);
    const std::vector<std::string> holders = {"J1@SYSA", "J2@SYSA", "J3@SYSB", "MIMGR@SYSC"};
    int64_t seconds = 0;
    for (int i = 0; i < 120; ++i) {
        seconds += 1 + random() % 90;
        if (random() % 9 == 0) {
            append(failedSample(seconds));
            continue;
        }
        std::vector<Contended> resources;
        for (int k = 0; k < 5; ++k) {
            if (random() % 3 == 0) continue;
            Contended c{k % 2 ? "PLEXB" : "PLEXA", "SYSDSN", "DATA.SET" + std::to_string(k),
                        static_cast<int32_t>(1 + random() % 6), static_cast<int32_t>(random() % 4000), {}};
            for (const auto& h : holders)
                if (random() % 3 == 0) c.holders.push_back(h);
            resources.push_back(c);
        }
        std::optional<int64_t> keep;
        if (i > 60 && random() % 4 == 0) keep = int64_t{1000} * (200 + random() % 2000);
        append(goodSample(seconds, resources), keep);
        if (i % 10 == 0) expectConsistent();
    }
    expectConsistent();
}

} // namespace
