// The row index never costs a row. A session without the index completes at
// every storage limit from its need upwards; with the index it must complete
// there too, with the same rows, statements and trace, except within two
// rows' storage of that need, where host storage left over from before the
// index cannot be joined to the index's block.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>

#include "aggregate/output_rows.h"
#include "aggregate/row_index.h"
#include "collected_run.h"
#include "core/replay_source.h"
#include "scenarios/generator.h"
#include "support/enterprise_builder.h"
#include "support/trace_recorder.h"

namespace {

using perftest::collect;
using perftest::CollectedRun;
using zrxtest::EnterpriseBuilder;
using zrxtest::HostFixture;
using zrxtest::SummaryTask;
using zrxtest::TraceRecorder;

constexpr uint64_t indexBlock = sizeof(zrx::RowIndex);
constexpr uint64_t slack = 2 * sizeof(zrx::SORow);
constexpr char givenUpLine[] = "the row index is given up to serve as storage";

host::SessionOptions limitedTo(uint64_t bytes) {
    host::SessionOptions o;
    o.storageBudget = bytes;
    return o;
}

// One query at one limit, with its unconditional and error-trace lines.
struct LimitedRun {
    CollectedRun run;
    std::vector<std::string> lines;
};

LimitedRun runAt(HostFixture& fx, const std::vector<host::Predicate>& query, uint64_t limit,
                 const char* levels = "error") {
    TraceRecorder trace(levels);
    LimitedRun r;
    r.run = collect(fx, query, limitedTo(limit));
    r.lines = trace.lines();
    return r;
}

bool completed(const CollectedRun& r) { return !r.statuses.empty() && r.statuses.back() == 62; }

// An enterprise whose statements are answered from memory after a first,
// unlimited run recorded them: the sweeps run hundreds of queries, and any
// statement the first run did not send is refused.
struct Recorded {
    explicit Recorded(std::string_view sql) : fx(sql), snapshot(fx.snapshot()), replay(snapshot) {
        fx.host().setDataSource(&replay);
        full = runAt(fx, query, UINT64_MAX);
        replay.replay();
    }
    HostFixture fx;
    host::SnapshotSource snapshot;
    host::ReplaySource replay;
    const std::vector<host::Predicate> query = HostFixture::report();
    LimitedRun full;
};

// Asserts that `r` is the unlimited run `full` in everything the user or the
// data server sees.
void expectSameAs(const LimitedRun& r, const LimitedRun& full, uint64_t limit) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    ASSERT_EQ(r.run.statuses, full.run.statuses);
    EXPECT_TRUE(perftest::sameRows(r.run.rows, full.run.rows));
    EXPECT_EQ(r.run.statements, full.run.statements);
    EXPECT_EQ(r.run.rowsUsed, full.run.rowsUsed);
    EXPECT_EQ(r.lines, full.lines);
    EXPECT_LE(r.run.storage, limit);
}

// Limits within `reach` of each boundary, every 8 bytes (the rows'
// granularity) and every byte within 8, and `coarse` evenly spaced ones from
// `from` to `to`.
std::vector<uint64_t> limits(std::initializer_list<uint64_t> boundaries, uint64_t reach, uint64_t from,
                             uint64_t to, int coarse) {
    std::set<uint64_t> out;
    for (uint64_t b : boundaries) {
        for (uint64_t l = b > reach ? b - reach : 0; l <= b + reach; l += 8)
            if (l >= from && l <= to) out.insert(l);
        for (uint64_t l = b > 8 ? b - 8 : 0; l <= b + 8; ++l)
            if (l >= from && l <= to) out.insert(l);
    }
    for (int i = 0; i <= coarse; ++i) out.insert(from + (to - from) * static_cast<uint64_t>(i) / coarse);
    return {out.begin(), out.end()};
}

// The smallest limit from `low` at which the host grants the index: the
// session then holds more than its need without it.
uint64_t indexGrantedFrom(HostFixture& fx, const std::vector<host::Predicate>& query, uint64_t need) {
    uint64_t low = need, high = need + indexBlock;
    while (low < high) {
        const uint64_t mid = low + (high - low) / 2;
        if (collect(fx, query, limitedTo(mid)).storage > need)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

// Two Enqplexes of two Sysplexes: four AT clauses, phase II, and an index
// asked for in the first PlexHub's rows, long before the last row.
TEST(RowIndexStorage, EveryLimitThatSufficesWithoutTheIndexSufficesWithIt) {
    scenarios::GeneratorOptions o;
    o.enqplexes = 2;
    o.sysplexes = 2;
    o.systems = 2;
    o.resources = 60;
    Recorded e(scenarios::generateEnterpriseSql(o));
    ASSERT_TRUE(completed(e.full.run));
    const uint64_t need = e.full.run.storage - indexBlock;
    const uint64_t granted = indexGrantedFrom(e.fx, e.query, need);
    ASSERT_GT(granted, need) << "the rows after the index must not need a whole index block";
    ASSERT_LT(granted, need + indexBlock) << "the index must be asked for";

    // Below `granted` the index is refused; from there to need + indexBlock
    // the rows that no longer fit are carved from its block.
    const uint64_t reach = 2 * sizeof(zrx::SORow);
    int carved = 0;
    const auto tried = limits({need, granted, need + indexBlock}, reach, need, need + indexBlock + reach, 24);
    for (uint64_t limit : tried) {
        const LimitedRun r = runAt(e.fx, e.query, limit);
        expectSameAs(r, e.full, limit);
        if (limit >= granted && limit < need + indexBlock) ++carved;
    }
    EXPECT_GT(carved, 40);
    std::printf("%zu limits from the need up, %d of them with rows carved from the index block\n", tried.size(),
                carved);
    // At `granted` the host grants nothing after the index: the rows and the
    // AT clauses of the three later PlexHubs all come from its block.
    EXPECT_EQ(collect(e.fx, e.query, limitedTo(granted)).storage, granted);
}

// Resources of one waiter each on one PlexHub, so many that the rows after
// the index need more than its whole block: near the need without the index
// the block runs out.
std::string manyResources(int resources) {
    EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "HUBA:CMS").agent("SYSA:AGENT", "RTEMSA").member("HUBA:CMS", "SYSA", "PLEXA");
    char minor[16];
    for (int i = 1; i <= resources; ++i) {
        std::snprintf(minor, sizeof minor, "RES%05d", i);
        b.summary("HUBA:CMS", SummaryTask{"SYSDSN", minor, "", "WAITER", "SYSA"});
    }
    return b.sql();
}

// Addresses differ from run to run; everything else of a line must not.
std::vector<std::string> masked(const std::vector<std::string>& lines) {
    static const std::regex hex("0x[0-9a-f]+| +[0-9A-F]+\\b");
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const auto& l : lines) out.push_back(std::regex_replace(l, hex, " #"));
    return out;
}

TEST(RowIndexStorage, CarvedRowsAddOneDetailLineToTheTrace) {
    Recorded e(manyResources(40));
    const uint64_t need = e.full.run.storage - indexBlock;
    const uint64_t granted = indexGrantedFrom(e.fx, e.query, need);
    ASSERT_GT(granted, need);
    const LimitedRun without = runAt(e.fx, e.query, need, "error,detail");
    const LimitedRun carved = runAt(e.fx, e.query, granted, "error,detail");
    ASSERT_TRUE(completed(carved.run));
    EXPECT_EQ(carved.run.storage, granted) << "every row after the index was carved";
    EXPECT_TRUE(perftest::sameRows(carved.run.rows, without.run.rows));

    std::vector<std::string> added, rest;
    for (const auto& l : carved.lines) (l.find(givenUpLine) == std::string::npos ? rest : added).push_back(l);
    EXPECT_EQ(added, std::vector<std::string>{"newSORow: View storage of " + std::to_string(sizeof(zrx::SORow)) +
                                              " bytes refused (status 9); " + givenUpLine});
    const auto expected = masked(without.lines), got = masked(rest);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i] != expected[i]) {
            ADD_FAILURE() << i << ": " << expected[i] << " | " << got[i];
            break;
        }
}

TEST(RowIndexStorage, WhenTheBlockRunsOutTheSlackStaysWithinTwoRows) {
    constexpr uint64_t rowPair = sizeof(zrx::SORow) + sizeof(zrx::DORow);
    const int resources = static_cast<int>(indexBlock / rowPair) + 80;
    Recorded e(manyResources(resources));
    ASSERT_EQ(e.full.run.rows.size(), static_cast<size_t>(resources));
    const uint64_t need = e.full.run.storage - indexBlock;
    {
        // Just beyond the slack the host grants the index, and the rows it
        // then refuses use up its block.
        TraceRecorder trace("error newSORow:detail newDORow:detail");
        const CollectedRun r = collect(e.fx, e.query, limitedTo(need + slack));
        ASSERT_TRUE(completed(r));
        EXPECT_EQ(trace.count(std::string("View storage of ") + std::to_string(sizeof(zrx::SORow)) +
                              " bytes refused (status 9); " + givenUpLine),
                  1u);
        const uint64_t carved = need + indexBlock - r.storage;
        EXPECT_GT(carved, indexBlock - slack - sizeof(zrx::SORow));
    }

    uint64_t lastFailure = 0;
    int failures = 0;
    const auto tried = limits({need}, slack + 64, need, need + indexBlock, 12);
    for (uint64_t limit : tried) {
        const LimitedRun r = runAt(e.fx, e.query, limit);
        if (completed(r.run)) {
            expectSameAs(r, e.full, limit);
            continue;
        }
        // Within the slack a run may end as it would have one row sooner
        // without the index: 71, no row, the row's lines.
        ++failures;
        lastFailure = limit;
        EXPECT_EQ(r.run.statuses, std::vector<int32_t>{71});
        EXPECT_TRUE(r.run.rows.empty());
        ASSERT_FALSE(r.lines.empty());
        EXPECT_EQ(r.lines.back(), "enqmlcpr: ProcessInput() failed, abandoning view");
    }
    if (failures > 0) {
        EXPECT_LT(lastFailure, need + slack) << failures << " limits failed";
    }
    std::printf("index block used up: %zu limits, %d within %llu bytes of the need failed, the largest %lld above it\n",
                tried.size(), failures, static_cast<unsigned long long>(slack),
                failures > 0 ? static_cast<long long>(lastFailure - need) : -1LL);
}

} // namespace
