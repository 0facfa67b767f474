// The row index never costs a row. A session without the index completes at
// every storage limit from its need upwards; with the index it must complete
// there too, with the same rows, statements and trace, except within two
// rows' storage of that need, where the host's last bytes cannot be joined to
// the index's block. The sweeps replay recorded statements, so that hundreds
// of runs stay cheap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "collected_run.h"
#include "testing/replay_source.h"
#include "scenarios/generator.h"
#include "storage/row_index.h"
#include "support/enterprise_builder.h"
#include "support/trace_recorder.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;
using zrx::entry::viewAbandoned;

namespace {

using perftest::collect;
using perftest::CollectedRun;
using zrxtest::HostFixture;

constexpr uint64_t indexBlock = sizeof(zrx::RowIndex);
constexpr uint64_t slack = 2 * sizeof(zrx::SORow);
const std::string givenUp = "View storage of " + std::to_string(sizeof(zrx::SORow)) +
                            " bytes refused (status 9); the row index is given up to serve as storage";

struct LimitedRun {
    CollectedRun run;
    std::vector<std::string> lines; // at the levels asked for
    bool completed() const { return !run.statuses.empty() && run.statuses.back() == noMoreRows; }
};

// A report on an enterprise whose statements a first, unlimited run recorded.
struct Recorded {
    explicit Recorded(std::string_view sql) : fx(sql), snapshot(fx.snapshot()), replay(snapshot) {
        fx.host().setDataSource(&replay);
        full = at(UINT64_MAX);
        replay.replay();
        need = full.run.storage - indexBlock;
    }
    LimitedRun at(uint64_t limit, const char* levels = "error") {
        zrxtest::TraceRecorder trace(levels);
        host::SessionOptions o;
        o.storageBudget = limit;
        LimitedRun r{collect(fx, HostFixture::report(), o), {}};
        r.lines = trace.lines();
        return r;
    }
    // The smallest limit at which the host grants the index, found by the
    // storage held, while the rows after the index need less than its block.
    uint64_t indexGranted() {
        uint64_t low = need, high = need + indexBlock;
        while (low < high) {
            const uint64_t mid = low + (high - low) / 2;
            if (at(mid).run.storage > need)
                high = mid;
            else
                low = mid + 1;
        }
        return low;
    }
    // Everything the user or the data server sees is as without a limit.
    void expectFull(const LimitedRun& r, uint64_t limit) const {
        SCOPED_TRACE("limit " + std::to_string(limit));
        ASSERT_EQ(r.run.statuses, full.run.statuses);
        EXPECT_TRUE(perftest::sameRows(r.run.rows, full.run.rows));
        EXPECT_EQ(r.run.statements, full.run.statements);
        EXPECT_EQ(r.lines, full.lines);
        EXPECT_EQ(r.run.lists, full.run.lists);
        EXPECT_LE(r.run.storage, limit);
    }
    HostFixture fx;
    host::SnapshotSource snapshot;
    host::ReplaySource replay;
    LimitedRun full;
    uint64_t need = 0; // the storage the session needs without the index
};

// Limits within `reach` of each boundary, every 8 bytes (the rows'
// granularity) and every byte within 8, and `coarse` evenly spaced ones.
std::vector<uint64_t> limits(std::initializer_list<uint64_t> boundaries, uint64_t reach, uint64_t from,
                             uint64_t to, int coarse) {
    std::set<uint64_t> out;
    auto add = [&](uint64_t l) {
        if (l >= from && l <= to) out.insert(l);
    };
    for (uint64_t b : boundaries) {
        for (uint64_t l = b - reach; l <= b + reach; l += 8) add(l);
        for (uint64_t l = b - 8; l <= b + 8; ++l) add(l);
    }
    for (int i = 0; i <= coarse; ++i) out.insert(from + (to - from) * static_cast<uint64_t>(i) / coarse);
    return {out.begin(), out.end()};
}

// `plexHubs` PlexHubs, each with one System in an Enqplex of its own and
// `resources` resources of one waiter on it.
std::string plexHubs(int plexHubs, int resources) {
    zrxtest::EnterpriseBuilder b;
    for (int p = 1; p <= plexHubs; ++p) {
        const std::string n = std::to_string(p), thru = "HUB" + n;
        b.plexHub("PLX" + n + ":HUB", thru).member(thru, "SYS" + n, "PLEX" + n);
        for (int i = 1; i <= resources; ++i)
            b.summary(thru, zrxtest::SummaryTask{"SYSDSN", "RES" + std::to_string(i), "", "WAITER", "SYS" + n});
    }
    return b.sql();
}

// Two Enqplexes of two Sysplexes: four AT clauses, phase II, and the index
// asked for in the first PlexHub's rows.
TEST(RowIndexStorage, EveryLimitThatSufficesWithoutTheIndexSufficesWithIt) {
    scenarios::GeneratorOptions o;
    o.resources = 60;
    Recorded e(scenarios::generateEnterpriseSql(o));
    ASSERT_TRUE(e.full.completed());
    const uint64_t granted = e.indexGranted();
    ASSERT_GT(granted, e.need);
    ASSERT_LT(granted, e.need + indexBlock) << "the index must be asked for";
    // At `granted` the host has no room after the index: the later rows and
    // AT clauses all come from its block.
    EXPECT_EQ(e.at(granted).run.storage, granted);

    const uint64_t reach = sizeof(zrx::SORow);
    const auto tried = limits({e.need, granted, e.need + indexBlock}, reach, e.need, e.need + indexBlock + reach, 24);
    for (uint64_t limit : tried) e.expectFull(e.at(limit), limit);
    std::printf("%zu limits from the need up\n", tried.size());
}

TEST(RowIndexStorage, CarvedRowsAddOneDetailLineToTheTrace) {
    Recorded e(plexHubs(1, 40));
    const uint64_t granted = e.indexGranted();
    const LimitedRun without = e.at(e.need, "error,detail"), carved = e.at(granted, "error,detail");
    ASSERT_TRUE(carved.completed());
    EXPECT_TRUE(perftest::sameRows(carved.run.rows, without.run.rows));
    auto rest = carved.lines;
    ASSERT_EQ(std::erase(rest, "newSORow: " + givenUp), 1u);
    EXPECT_EQ(perftest::masked(rest), perftest::masked(without.lines));
}

// So many rows that those after the index need more than its whole block:
// near the need it runs out. Eight short lists keep the walks after the
// index is given up cheap.
TEST(RowIndexStorage, WhenTheBlockRunsOutTheSlackStaysWithinTwoRows) {
    const auto rowPair = sizeof(zrx::SORow) + sizeof(zrx::DORow);
    Recorded e(plexHubs(8, static_cast<int>(indexBlock / rowPair / 8) + 10));
    const LimitedRun edge = e.at(e.need + slack, "error newSORow:detail newDORow:detail");
    ASSERT_TRUE(edge.completed());
    EXPECT_EQ(std::count_if(edge.lines.begin(), edge.lines.end(),
                            [](const std::string& l) { return l.ends_with(givenUp.substr(givenUp.find(')'))); }),
              1);
    EXPECT_GT(e.need + indexBlock - edge.run.storage, indexBlock - 2 * slack) << "bytes carved";

    int failures = 0;
    uint64_t largest = 0;
    const auto tried = limits({e.need}, slack + 64, e.need, e.need + indexBlock, 12);
    for (uint64_t limit : tried) {
        const LimitedRun r = e.at(limit);
        if (r.completed()) {
            e.expectFull(r, limit);
            continue;
        }
        // As the session without the index ends one row sooner: 71, no row.
        ++failures;
        largest = limit - e.need;
        EXPECT_LT(largest, slack);
        EXPECT_EQ(r.run.statuses, std::vector<int32_t>{viewAbandoned});
        EXPECT_EQ(r.lines.back(), "enqmlcpr: ProcessInput() failed, abandoning view");
    }
    std::printf("%zu limits, %d failed, the largest %llu bytes above the need\n", tried.size(), failures,
                static_cast<unsigned long long>(largest));
}

// An Enqplex whose list brings the index, then one whose first summary row
// is the request the host refuses: that request gives the index up, and the
// new row is carved where the index kept its list tails.
TEST(RowIndexStorage, AnEnqplexsFirstRowThatGivesTheIndexUpIsLeftIntact) {
    zrxtest::EnterpriseBuilder b;
    b.plexHub("PLX1:HUB", "HUB1").member("HUB1", "SYS1", "PLEX1");
    b.plexHub("PLX2:HUB", "HUB2").member("HUB2", "SYS2", "PLEX2");
    for (int i = 1; i <= 40; ++i)
        b.summary("HUB1", zrxtest::SummaryTask{"SYSDSN", "RES" + std::to_string(i), "", "WAITER", "SYS1"});
    b.summary("HUB2", zrxtest::SummaryTask{"SYSDSN", "LAST", "", "WAITER", "SYS2"});
    Recorded e(b.sql());
    ASSERT_TRUE(e.full.completed());
    ASSERT_EQ(e.full.run.rows.size(), 41u);
    // Everything up to PLEX2's summary query is granted; its rows are not.
    const uint64_t limit = e.full.run.storage - sizeof(zrx::SORow) - sizeof(zrx::DORow);
    const LimitedRun full = e.at(UINT64_MAX, "error,detail"), carved = e.at(limit, "error,detail");
    ASSERT_TRUE(carved.completed());
    EXPECT_EQ(carved.run.storage, limit) << "both rows carved";
    EXPECT_TRUE(perftest::sameRows(carved.run.rows, full.run.rows));
    EXPECT_EQ(carved.run.lists, full.run.lists);
    auto rest = carved.lines;
    ASSERT_EQ(std::erase(rest, "newSORow: " + givenUp), 1u);
    EXPECT_EQ(perftest::masked(rest), perftest::masked(full.lines));
}

// Once the index exists, the host answers one request for a row otherwise:
// a refusal or a success without storage lets the block serve; a handle that
// fails its check ends the view, as it would without the index.
TEST(RowIndexStorage, OnlyARefusalLetsTheBlockServeAsStorage) {
    Recorded e(plexHubs(1, 40));
    ASSERT_TRUE(e.full.completed());
    ASSERT_EQ(e.full.run.storage, e.need + indexBlock) << "the index granted";
    // The last two requests: the last resource's summary row and detail row.
    const uint64_t last = e.full.run.viewStorageCalls;
    struct Case {
        uint64_t nth;
        int32_t status;
        bool completes;
        const char* line; // the last line of the error trace when it fails
    };
    const Case cases[] = {
        {last - 1, 9, true, nullptr},
        {last, 9, true, nullptr},
        {last - 1, 0, true, nullptr},
        {last, 0, true, nullptr},
        {last - 1, zrx::handleCheckFailed, false, "enqmlcpr: ProcessInput() failed, abandoning view"},
        {last, zrx::handleCheckFailed, false, "enqmlcpr: ProcessInput() failed, abandoning view"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("request " + std::to_string(c.nth) + " answers " + std::to_string(c.status));
        host::faults(e.fx.host()).clear();
        host::faults(e.fx.host()).failCall(host::Operation::GetViewStorage, c.nth, c.status);
        const LimitedRun r = e.at(UINT64_MAX);
        EXPECT_EQ(host::faults(e.fx.host()).injected(), 1u);
        if (c.completes) {
            e.expectFull(r, UINT64_MAX);
            EXPECT_EQ(r.run.viewStorageCalls, last) << "the block served, the host was not asked again";
            continue;
        }
        EXPECT_EQ(r.run.statuses, std::vector<int32_t>{viewAbandoned});
        ASSERT_FALSE(r.lines.empty());
        EXPECT_EQ(r.lines.back(), c.line);
        const bool summary = c.nth == last - 1;
        EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "newSORow: No (GetView)Storage for SORow."),
                  summary ? 1 : 0);
    }
    host::faults(e.fx.host()).clear();
}

} // namespace
