// The row index: asked for once, only for long lists, and invisible in the
// rows, the lists and the trace, whether the host grants it or refuses it.
#include <gtest/gtest.h>

#include "collected_run.h"
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
using perftest::masked;
using zrxtest::EnterpriseBuilder;
using zrxtest::HostFixture;
using zrxtest::SummaryTask;
using zrxtest::TraceRecorder;

std::string numbered(const char* prefix, int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%s%05d", prefix, n);
    return text;
}

// `resources` resources of one waiter each on SYSA, whose PlexHub reports
// every one of them `repeats` times.
std::string oneSysplex(int resources, int repeats = 1) {
    EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "HUBA:CMS").agent("SYSA:AGENT", "RTEMSA").member("HUBA:CMS", "SYSA", "PLEXA");
    for (int k = 0; k < repeats; ++k)
        for (int i = 1; i <= resources; ++i)
            b.summary("HUBA:CMS", SummaryTask{"SYSDSN", numbered("RES", i), "", numbered("W", i), "SYSA"});
    return b.sql();
}

// Two Enqplexes of two Sysplexes each, so that phase II asks every System and
// one resource name in four is in both Enqplexes.
std::string generated(int resources) {
    scenarios::GeneratorOptions o;
    o.enqplexes = 2;
    o.sysplexes = 2;
    o.systems = 3;
    o.resources = resources;
    o.tasks = 3;
    return scenarios::generateEnterpriseSql(o);
}

// The session's storage leaves room for everything the granted run had but
// the index.
host::SessionOptions withoutRoomForTheIndex(const CollectedRun& granted) {
    host::SessionOptions o;
    o.storageBudget = granted.storage - sizeof(zrx::RowIndex);
    return o;
}

// Every request but the rows' is the AT clause of a summary query, one per
// PlexHub, of "AT (\"HUBA:CMS\")" and its NUL.
constexpr uint64_t atClause = 67;

TEST(RowIndex, ShortListsAreWalkedWithoutAskingForStorage) {
    HostFixture fx(oneSysplex(32));
    CollectedRun r = collect(fx, HostFixture::report());
    EXPECT_EQ(r.rows.size(), 32u);
    EXPECT_EQ(r.rowsUsed, 64);
    EXPECT_EQ(r.viewStorageCalls, 64u + 1);
    EXPECT_EQ(r.storage, sizeof(zrx::workA) + r.rowStorage + atClause);
}

TEST(RowIndex, IsAskedForOnceWhenAListGrowsLongAndKeepsRowsAndTrace) {
    HostFixture fx(oneSysplex(200, 2));
    CollectedRun granted, refused;
    std::vector<std::string> grantedTrace, refusedTrace;
    {
        TraceRecorder trace("error,detail");
        granted = collect(fx, HostFixture::report());
        grantedTrace = masked(trace.lines());
    }
    EXPECT_EQ(granted.rows.size(), 200u);
    EXPECT_EQ(granted.rowsUsed, 400) << "the repeated rows are redundant";
    EXPECT_EQ(granted.viewStorageCalls, 400u + 1 + 1) << "the rows, the AT clause and one index";
    EXPECT_EQ(granted.storage, sizeof(zrx::workA) + granted.rowStorage + atClause + sizeof(zrx::RowIndex));

    {
        TraceRecorder trace("error,detail");
        refused = collect(fx, HostFixture::report(), withoutRoomForTheIndex(granted));
        refusedTrace = masked(trace.lines());
    }
    EXPECT_EQ(refused.statuses, granted.statuses);
    EXPECT_TRUE(perftest::sameRows(refused.rows, granted.rows));
    EXPECT_EQ(refused.viewStorageCalls, 400u + 1 + 1) << "refused once, never asked again";
    EXPECT_EQ(refused.storage, granted.storage - sizeof(zrx::RowIndex));
    ASSERT_EQ(refusedTrace.size(), grantedTrace.size());
    for (size_t i = 0; i < grantedTrace.size(); ++i)
        if (refusedTrace[i] != grantedTrace[i]) {
            ADD_FAILURE() << i << ": " << grantedTrace[i] << " | " << refusedTrace[i];
            break;
        }
    EXPECT_NE(std::find(grantedTrace.begin(), grantedTrace.end(), "ProcessInput: Current info is redundant"),
              grantedTrace.end());
}

TEST(RowIndex, ALongDetailListAloneBringsTheIndexAndRedundantTasksStayOut) {
    EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "HUBA:CMS").member("HUBA:CMS", "SYSA", "PLEXA");
    for (int k = 0; k < 2; ++k)
        for (int i = 1; i <= 60; ++i) {
            SummaryTask t{"SYSDSN", "BUSY.DATASET", "", numbered("W", i), "SYSA"};
            t.asid = i;
            b.summary("HUBA:CMS", t);
        }
    HostFixture fx(b.sql());
    CollectedRun r = collect(fx, HostFixture::resource("SYSDSN", "BUSY.DATASET", "PLEXA"));
    EXPECT_EQ(r.rows.size(), 60u);
    EXPECT_EQ(r.rowsUsed, 61);
    EXPECT_EQ(r.viewStorageCalls, 61u + 1 + 1);
    ASSERT_NE(r.work.Enqplxs[0].SOR1st, nullptr);
    EXPECT_EQ(r.rows.front().waittaskct, 60);
    for (size_t i = 0; i < r.rows.size(); ++i)
        EXPECT_EQ(zrxtest::trimmed(r.rows[i].waitingas), numbered("W", static_cast<int>(i) + 1)) << i;
}

TEST(RowIndex, GeneratedEnterprisesGiveTheSameRowsAndStatementsWithAndWithoutIt) {
    HostFixture fx(generated(60));
    const CollectedRun first = collect(fx, HostFixture::report());
    ASSERT_FALSE(first.rows.empty());
    const zrx::MentrenqRow& busy = first.rows.back();
    const auto one = HostFixture::resource(zrxtest::trimmed(busy.majorname), zrxtest::trimmed(busy.minorname),
                                           zrxtest::trimmed(busy.enqplex));
    for (const auto& predicates : {HostFixture::report(), one}) {
        CollectedRun granted = collect(fx, predicates);
        CollectedRun refused = collect(fx, predicates, withoutRoomForTheIndex(granted));
        EXPECT_EQ(granted.statuses.back(), noMoreRows);
        EXPECT_EQ(refused.statuses, granted.statuses);
        EXPECT_TRUE(perftest::sameRows(refused.rows, granted.rows));
        EXPECT_EQ(refused.statements, granted.statements);
        EXPECT_EQ(refused.rowsUsed, granted.rowsUsed);
    }
    CollectedRun report = collect(fx, HostFixture::report());
    EXPECT_GT(report.rows.size(), 100u);
    EXPECT_EQ(report.viewStorageCalls, static_cast<uint64_t>(report.rowsUsed) + 4 + 1) << "4 PlexHubs";
}

TEST(RowIndex, TheRowLimitStillAbandonsTheViewAtTheSamePlace) {
    HostFixture fx(oneSysplex(5001));
    TraceRecorder trace("error");
    CollectedRun r = collect(fx, HostFixture::report());
    EXPECT_EQ(r.statuses, std::vector<int32_t>{viewAbandoned});
    EXPECT_EQ(r.rowsUsed, 10001);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"newSORow: All available 10000 output rows used",
                                                       "ProcessInput: Unable to create new Summary Output Row",
                                                       "enqmlcpr: ProcessInput() failed, abandoning view"}));
}

// The spent block serves rows upwards from its start and texts downwards
// from its end: every byte between them can be handed out, and none twice.
TEST(RowIndex, TheSpentBlockHandsOutEveryByteOnceAndTheLastExactly) {
    zrxtest::StartedSession s;
    ASSERT_NE(zrx::buildRowIndex(s.w), nullptr);
    auto* block = reinterpret_cast<char*>(zrx::rowIndex(s.w));
    bool givenUp = false;
    char* row = static_cast<char*>(zrx::carveRowIndexBlock(s.w, sizeof(zrx::SORow), alignof(zrx::SORow), givenUp));
    ASSERT_TRUE(givenUp);
    EXPECT_EQ(zrx::rowIndex(s.w), nullptr) << "given up for good";
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(row) % alignof(zrx::SORow), 0u);
    EXPECT_GT(row, block) << "the block's first bytes hold its free room";
    char* text = static_cast<char*>(zrx::carveRowIndexBlock(s.w, 67, 1, givenUp));
    EXPECT_FALSE(givenUp);
    ASSERT_EQ(text, block + sizeof(zrx::RowIndex) - 67) << "texts from the end";

    // Rows until one no longer fits, then one text of exactly what is left.
    char* end = row + sizeof(zrx::SORow);
    while (char* next = static_cast<char*>(zrx::carveRowIndexBlock(s.w, sizeof(zrx::DORow), alignof(zrx::DORow), givenUp))) {
        ASSERT_GE(next, end) << "rows never overlap";
        end = next + sizeof(zrx::DORow);
    }
    ASSERT_LE(end, text);
    const auto left = static_cast<int32_t>(text - end);
    ASSERT_GT(left, 0);
    EXPECT_EQ(zrx::carveRowIndexBlock(s.w, left + 1, 1, givenUp), nullptr) << "one byte too many";
    EXPECT_EQ(zrx::carveRowIndexBlock(s.w, left, 1, givenUp), end) << "exactly what is left";
    EXPECT_EQ(zrx::carveRowIndexBlock(s.w, 1, 1, givenUp), nullptr) << "nothing left";
    EXPECT_EQ(zrx::carveRowIndexBlock(s.w, 8, 8, givenUp), nullptr);
}

} // namespace
