// The replaying data source answers a second run exactly as the snapshot
// answered the first, without the snapshot.
#include <gtest/gtest.h>

#include "collected_run.h"
#include "testing/replay_source.h"
#include "scenarios/generator.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

namespace {

using perftest::collect;
using zrxtest::HostFixture;

std::string enterprise() {
    scenarios::GeneratorOptions o;
    o.enqplexes = 2;
    o.sysplexes = 2;
    o.systems = 2;
    o.resources = 20;
    return scenarios::generateEnterpriseSql(o);
}

TEST(ReplaySource, ASecondRunOnTheRecordingGivesTheSameRowsAndStatements) {
    HostFixture fx(enterprise());
    host::SnapshotSource snapshot(fx.snapshot());
    host::ReplaySource replay(snapshot);
    fx.host().setDataSource(&replay);

    auto recorded = collect(fx, HostFixture::report());
    ASSERT_EQ(recorded.statuses.back(), noMoreRows);
    replay.replay();
    EXPECT_TRUE(replay.replaying());
    EXPECT_GT(replay.recorded(), 5u);
    auto replayed = collect(fx, HostFixture::report());
    EXPECT_EQ(replayed.statuses, recorded.statuses);
    EXPECT_TRUE(perftest::sameRows(replayed.rows, recorded.rows));
    EXPECT_EQ(replayed.statements, recorded.statements);
}

TEST(ReplaySource, RefusesWhatItDidNotRecordOnceReplaying) {
    HostFixture fx(enterprise());
    host::SnapshotSource snapshot(fx.snapshot());
    host::ReplaySource replay(snapshot);
    const std::string text = "SELECT NODE, THRUNODE FROM Q7SRV.INODESTS ;";
    std::string error;
    host::StatementKind kind = host::StatementKind::Other;
    ASSERT_TRUE(replay.check(text, kind, error)) << error;
    EXPECT_EQ(kind, host::StatementKind::PlexHubs);
    auto first = replay.open(text, error);
    ASSERT_TRUE(first);
    const std::vector<host::sql::Cell>* row = nullptr;
    size_t rows = 0;
    while (first->next(row, error) == host::sql::Query::Step::Row) ++rows;
    EXPECT_GT(rows, 0u);

    replay.replay();
    const std::string other = "SELECT NODE FROM Q7SRV.INODESTS ;";
    EXPECT_FALSE(replay.check(other, kind, error));
    EXPECT_EQ(error, "statement not recorded");
    EXPECT_EQ(replay.open(other, error), nullptr);
    kind = host::StatementKind::Other;
    ASSERT_TRUE(replay.check(text, kind, error));
    EXPECT_EQ(kind, host::StatementKind::PlexHubs) << "kept from the recording";
    auto again = replay.open(text, error);
    ASSERT_TRUE(again);
    size_t replayed = 0;
    while (again->next(row, error) == host::sql::Query::Step::Row) ++replayed;
    EXPECT_EQ(replayed, rows);
    EXPECT_EQ(again->next(row, error), host::sql::Query::Step::Done) << "stays at its end";
}

} // namespace
