// Reading a history: the sample at or before a time, what it held, the
// episodes of a window, and the times people write.
#include <gtest/gtest.h>

#include <cstring>

#include "history_fixture.h"
#include "history_samples.h"
#include "sql/utc_time.h"

namespace {

using namespace historytest;

const Contended payroll{"PLEXA", "SYSDSN", "PAY.MASTER", 2, 10, {"PAYJOB@SYSA", "MIMGR@SYSB"}};
const Contended catalog{"PLEXB", "SYSIGGV2", "CATALOG.UCAT", 1, 5, {"CATJOB@SYSB"}};

bool sameRows(const std::vector<zrx::MentrenqRow>& a, const std::vector<zrx::MentrenqRow>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
}

TEST_F(HistoryFile, TheSampleAtOrBeforeATimeAndWhatItHeld) {
    history::Sample first = goodSample(0, {payroll, catalog});
    first.resources[1].detailStatus = zrx::entry::viewAbandoned;
    first.resources[1].unavailable = "status 71: view abandoned (4001 rows or more: loop control)";
    append(first);
    append(failedSample(60));
    append(goodSample(120, {}));
    auto r = reader();
    std::string error;
    std::optional<history::SampleInfo> found;
    ASSERT_TRUE(r->at(baseMs - 1, found, error)) << error;
    EXPECT_FALSE(found);
    for (const auto& [at, expected] : std::vector<std::pair<int64_t, int64_t>>{
             {0, 0}, {59999, 0}, {60000, 60000}, {119999, 60000}, {120000, 120000}, {999999, 120000}}) {
        ASSERT_TRUE(r->at(baseMs + at, found, error)) << error;
        ASSERT_TRUE(found);
        EXPECT_EQ(found->takenMs, baseMs + expected) << at;
    }

    ASSERT_TRUE(r->at(baseMs, found, error));
    history::Sample back;
    ASSERT_TRUE(r->content(*found, back, error)) << error;
    EXPECT_TRUE(back.reportComplete());
    EXPECT_EQ(back.enqplexes, first.enqplexes);
    EXPECT_EQ(back.snapshotIdentity, "v0");
    EXPECT_TRUE(sameRows(back.report, first.report));
    ASSERT_EQ(back.resources.size(), 2u);
    EXPECT_TRUE(sameRows(back.resources[0].rows, first.resources[0].rows));
    EXPECT_TRUE(sameRows(back.resources[1].rows, first.resources[1].rows));
    EXPECT_EQ(back.resources[1].detailStatus, zrx::entry::viewAbandoned);
    EXPECT_EQ(back.resources[1].unavailable, first.resources[1].unavailable);
    EXPECT_EQ(found->waiters, 3);
    EXPECT_EQ(found->longestWait, 10);
    EXPECT_EQ(found->intervalMs, 60000);

    ASSERT_TRUE(r->at(baseMs + 60000, found, error));
    ASSERT_TRUE(r->content(*found, back, error)) << error;
    EXPECT_EQ(back.status, zrx::entry::viewAbandoned);
    EXPECT_EQ(back.abandon, zrx::Abandon::OutputRowLimit);
    EXPECT_EQ(back.reason, "status 71: view abandoned (more than 10000 summary and detail rows)");
    EXPECT_TRUE(back.report.empty());
}

TEST_F(HistoryFile, AReaderSeesTheHistoryAsItWasUntilItRefreshes) {
    append(goodSample(0, {payroll}));
    auto r = reader();
    int64_t count = 0;
    std::string error;
    ASSERT_TRUE(r->sampleCount(count, error));
    append(goodSample(10, {payroll}));
    ASSERT_TRUE(r->sampleCount(count, error));
    EXPECT_EQ(count, 1);
    r->refresh();
    ASSERT_TRUE(r->sampleCount(count, error));
    EXPECT_EQ(count, 2);
}

TEST_F(HistoryFile, EpisodesOfAWindowAndTheHoldersWhoHeldThemUp) {
    append(goodSample(0, {payroll}));                            // payroll: 2 waiters for 100 s
    append(goodSample(100, {catalog}));                          // catalog: 1 waiter for 100 s
    append(goodSample(200, {catalog, payroll}));                 // both: last sample
    auto r = reader();
    std::vector<history::Episode> episodes;
    std::string error;
    ASSERT_TRUE(r->episodes({}, episodes, error)) << error;
    ASSERT_EQ(episodes.size(), 3u);
    EXPECT_EQ(episodes[0].major, "SYSDSN");
    EXPECT_EQ(episodes[0].blockedMs, 200000);
    EXPECT_EQ(episodes[0].holders, (std::vector<std::string>{"PAYJOB@SYSA", "MIMGR@SYSB"}));
    EXPECT_EQ(episodes[1].blockedMs, 100000);
    EXPECT_EQ(episodes[2].blockedMs, 0);

    episodes.clear();
    ASSERT_TRUE(r->episodes({baseMs + 150000, std::nullopt, false}, episodes, error));
    EXPECT_EQ(episodes.size(), 2u);
    episodes.clear();
    ASSERT_TRUE(r->episodes({std::nullopt, baseMs + 50000, false}, episodes, error));
    ASSERT_EQ(episodes.size(), 1u);
    EXPECT_EQ(episodes[0].lastSeenMs, baseMs);
    episodes.clear();
    ASSERT_TRUE(r->episodes({std::nullopt, std::nullopt, true}, episodes, error));
    EXPECT_EQ(episodes.size(), 2u);

    std::vector<history::HolderTotal> holders;
    ASSERT_TRUE(r->holderTotals({}, holders, error)) << error;
    ASSERT_EQ(holders.size(), 3u);
    EXPECT_EQ(holders[0].holder, "MIMGR@SYSB");
    EXPECT_EQ(holders[0].blockedMs, 200000);
    EXPECT_EQ(holders[0].episodes, 2);
    EXPECT_EQ(holders[1].holder, "PAYJOB@SYSA");
    EXPECT_EQ(holders[2].holder, "CATJOB@SYSB");
    EXPECT_EQ(holders[2].blockedMs, 100000);
}

TEST(HistoryTimes, DurationsAndTimesOnTheCommandLine) {
    int64_t ms = 0;
    for (const auto& [text, expected] : std::vector<std::pair<std::string, int64_t>>{
             {"30s", 30000}, {"10m", 600000}, {"2h", 7200000}, {"7d", 604800000}})
        EXPECT_TRUE(history::parseDuration(text, ms) && ms == expected) << text;
    for (const char* bad : {"", "m", "0m", "10", "10x", "-5m", "1.5h", "10 m"}) EXPECT_FALSE(history::parseDuration(bad, ms)) << bad;
    std::string error;
    ASSERT_TRUE(history::resolveTime("10m", baseMs, ms, error)) << error;
    EXPECT_EQ(ms, baseMs - 600000);
    ASSERT_TRUE(history::resolveTime("2026-12-10T08:00:00Z", std::nullopt, ms, error));
    EXPECT_EQ(ms, baseMs);
    EXPECT_FALSE(history::resolveTime("10m", std::nullopt, ms, error));
    EXPECT_EQ(error, "\"10m\" counts back from the last sample, and the history has none");
    EXPECT_FALSE(history::resolveTime("yesterday", baseMs, ms, error));
    EXPECT_EQ(history::secondsText(360000), "360");
    EXPECT_EQ(history::secondsText(1500), "1.5");
    EXPECT_EQ(history::secondsText(1234), "1.234");
    EXPECT_EQ(history::secondsText(0), "0");
}

} // namespace
