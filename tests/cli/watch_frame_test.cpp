// What watch marks between two refreshes, how long it has seen each wait,
// what a failed refresh shows, and how a frame is cut to a window.
#include <gtest/gtest.h>

#include "cli/watch_layout.h"

namespace {

using cli::RefreshResult;
using cli::WatchFrame;

picture::Task task(const std::string& job, int32_t wait = 0) {
    picture::Task t;
    t.job = job;
    t.sysname = "SYSA";
    t.waittime = wait;
    return t;
}

// Resources named by their minor name, each with one owner and the waiters given.
picture::Picture pictureOf(std::vector<std::pair<std::string, std::vector<std::string>>> resources) {
    picture::Picture p;
    p.report.status = zrx::entry::noMoreRows;
    int32_t wait = 100;
    for (const auto& [minor, waiters] : resources) {
        picture::Resource r;
        r.enqplex = "PLEX";
        r.major = "SYSDSN";
        r.minor = minor;
        r.owntaskct = 1;
        r.waittaskct = static_cast<int32_t>(waiters.size());
        r.maxwaittm = wait--;
        r.owners.push_back(task("OWNER"));
        for (const auto& w : waiters) r.waiters.push_back(task(w, r.maxwaittm));
        p.resources.push_back(r);
    }
    return p;
}

WatchFrame refresh(cli::WatchTracker& tracker, const picture::Picture* p, double at, const std::string& problem = "") {
    RefreshResult result;
    result.picture = p;
    result.problem = problem;
    return tracker.update(result, 1765354500000 + static_cast<int64_t>(at * 1000), at);
}

TEST(WatchFrame, MarksWhatIsNewAndNamesWhatCleared) {
    cli::WatchTracker tracker;
    const auto first = pictureOf({{"A", {"W1", "W2"}}, {"B", {"W3"}}});
    auto f = refresh(tracker, &first, 10);
    EXPECT_FALSE(f.resources[0].isNew) << "nothing is new on the first refresh";
    EXPECT_FALSE(f.resources[0].waiters[0].isNew);
    EXPECT_TRUE(f.cleared.empty());

    const auto second = pictureOf({{"A", {"W1", "W4"}}, {"C", {"W5"}}});
    f = refresh(tracker, &second, 14.6);
    ASSERT_EQ(f.resources.size(), 2u);
    EXPECT_FALSE(f.resources[0].isNew);
    EXPECT_FALSE(f.resources[0].waiters[0].isNew);
    EXPECT_EQ(f.resources[0].waiters[0].seenSeconds, 5);
    EXPECT_TRUE(f.resources[0].waiters[1].isNew);
    EXPECT_EQ(f.resources[0].waiters[1].seenSeconds, 0);
    EXPECT_TRUE(f.resources[1].isNew);
    EXPECT_TRUE(f.resources[1].waiters[0].isNew);
    EXPECT_EQ(f.cleared, (std::vector<std::string>{"SYSDSN B (PLEX)", "waiter W2 on SYSA for SYSDSN A (PLEX)"}));
    EXPECT_EQ(f.waiters, 3);
}

TEST(WatchFrame, AFailedRefreshShowsTheLastGoodOneAndChangesNothing) {
    cli::WatchTracker tracker;
    const auto first = pictureOf({{"A", {"W1"}}});
    refresh(tracker, &first, 0);
    auto f = refresh(tracker, nullptr, 2, "no snapshot file s.db");
    EXPECT_EQ(f.problem, "no snapshot file s.db");
    EXPECT_TRUE(f.stale);
    EXPECT_EQ(f.staleSince, "2025-12-10T08:15:00Z");
    ASSERT_EQ(f.resources.size(), 1u);
    const auto header = cli::frameHeader(f, "s.db", "2 s");
    EXPECT_EQ(header[2].text, "! no snapshot file s.db; showing the refresh of 2025-12-10T08:15:00Z");
    EXPECT_EQ(header[2].style, cli::LineStyle::problem);

    // A failed report is no picture either; and its waits keep their age.
    auto failed = pictureOf({});
    failed.report.status = 71;
    f = refresh(tracker, &failed, 3);
    EXPECT_NE(f.problem, "");
    EXPECT_EQ(f.resources.size(), 1u);
    const auto back = pictureOf({{"A", {"W1"}}, {"B", {"W2"}}});
    f = refresh(tracker, &back, 6);
    EXPECT_FALSE(f.resources[0].waiters[0].isNew) << "compared with the last good refresh";
    EXPECT_EQ(f.resources[0].waiters[0].seenSeconds, 6);
    EXPECT_TRUE(f.resources[1].isNew);
}

TEST(WatchFrame, UnreadableTasksNeitherClearNorRenewTheirWaiters) {
    cli::WatchTracker tracker;
    const auto first = pictureOf({{"A", {"W1"}}});
    refresh(tracker, &first, 0);
    auto unreadable = pictureOf({{"A", {}}});
    unreadable.resources[0].owners.clear();
    unreadable.resources[0].unavailable = "status 71";
    auto f = refresh(tracker, &unreadable, 1);
    EXPECT_TRUE(f.cleared.empty());
    f = refresh(tracker, &first, 2);
    EXPECT_FALSE(f.resources[0].waiters[0].isNew);
    EXPECT_EQ(f.resources[0].waiters[0].seenSeconds, 2);
}

TEST(WatchLayout, LongestWaitsFirstAndWhatDoesNotFitIsCountedAsMore) {
    cli::WatchTracker tracker;
    // The report's order is not the order of the waits.
    auto p = pictureOf({{"A", {"W1"}}, {"B", {"W2", "W3"}}, {"C", {"W4"}}, {"D", {"W5"}}});
    p.resources[2].maxwaittm = 500;
    const auto f = refresh(tracker, &p, 0);
    const auto all = cli::frameBody(f);
    ASSERT_EQ(all.size(), 13u);
    EXPECT_EQ(all[0].text, "  SYSDSN C (PLEX)  1 owner, 1 waiter, longest wait 500 s");
    EXPECT_EQ(all[2].text, "      waiter W4       on SYSA     ASID X'0000'  exclusive  waiting 98 s, seen 0 s");

    // 5 rows: C whole (3), then A does not fit whole: summary lines only,
    // and the last row for what is left out.
    const auto cut = cli::frameBody(f, 5);
    ASSERT_EQ(cut.size(), 5u);
    EXPECT_EQ(cut[3].text, "  SYSDSN A (PLEX)  1 owner, 1 waiter, longest wait 100 s");
    EXPECT_EQ(cut[4].text, "\u2026 2 more (3 waiting tasks)");
    EXPECT_EQ(cli::frameBody(f, 6).back().text, "  SYSDSN D (PLEX)  1 owner, 1 waiter, longest wait 97 s")
        << "the last resource needs no line for more";
    for (int rows = 0; rows < 15; ++rows) EXPECT_LE(cli::frameBody(f, rows).size(), static_cast<std::size_t>(rows));
    EXPECT_EQ(cli::frameBody(f, 1)[0].text, "\u2026 4 more (5 waiting tasks)");
}

TEST(WatchLayout, WhatTheViewPassedOverIsSaidAndNoContentionOnlyWhenAllWasRead) {
    cli::WatchTracker tracker;
    auto p = pictureOf({});
    p.passedOver.systemsNotAsked = 1;
    auto f = refresh(tracker, &p, 0);
    const auto header = cli::frameHeader(f, "demo", "2 s");
    ASSERT_FALSE(f.notSeen.empty());
    EXPECT_EQ(header.back().text, "Not seen: " + f.notSeen.back());
    EXPECT_EQ(cli::frameBody(f).at(0).text, "No contention among the Systems that were read.");

    p.passedOver = {};
    p.passedOver.systemRowsRead = 0;
    p.passedOver.systemRowsConfigured = 3;
    f = refresh(tracker, &p, 1);
    EXPECT_EQ(cli::frameBody(f).at(0).text, "No System was read.");

    p.passedOver = {};
    f = refresh(tracker, &p, 2);
    EXPECT_TRUE(f.notSeen.empty());
    EXPECT_EQ(cli::frameBody(f).at(0).text, "No contention.");
}

TEST(WatchLayout, NamesCannotDriveTheTerminal) {
    cli::WatchTracker tracker;
    auto p = pictureOf({{"A\x1b[2J", {"W\n1"}}});
    const auto f = refresh(tracker, &p, 0);
    for (const auto& line : cli::frameBody(f))
        for (char c : line.text) EXPECT_FALSE(c == '\x1b' || c == '\n') << line.text;
}

} // namespace
