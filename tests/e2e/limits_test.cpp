// Whole queries at the limits: loop control, eight Enqplexes, the output row
// limit, and phase II statements filled up to their length limit. The
// enterprises are built in code; the expected files keep the short form.
#include <gtest/gtest.h>

#include <cstdio>

#include "testing/fault_plan.h"
#include "testing/statement_text.h"
#include "e2e_harness.h"
#include "support/enterprise_builder.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;
using zrx::entry::viewAbandoned;

namespace {

using e2e::countStatements;
using e2e::expectMatchesFile;
using e2e::renderShort;
using e2e::RunOptions;
using e2e::runQuery;
using host::StatementKind;
using zrxtest::AgentTask;
using zrxtest::EnterpriseBuilder;
using zrxtest::HostFixture;
using zrxtest::SummaryTask;

std::string numbered(const char* prefix, int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%s%05d", prefix, n);
    return text;
}

// One Sysplex PLXA with the System SYSA in the Enqplex PLEXA.
EnterpriseBuilder oneSysplex() {
    EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "HUBA:CMS").agent("SYSA:AGENT", "RTEMSA").member("HUBA:CMS", "SYSA", "PLEXA");
    return b;
}

// `resources` resources in contention, each with one waiter on SYSA.
std::string oneSysplexWithResources(int resources) {
    auto b = oneSysplex();
    for (int i = 1; i <= resources; ++i)
        b.summary("HUBA:CMS", SummaryTask{"SYSDSN", numbered("RES", i), "", numbered("W", i), "SYSA"});
    return b.sql();
}

// The Enqplex GRSPLEX of PLXA (SYSA) and PLXB (SYSB): PLXB reports a waiter
// on SYSB for each resource, and only SYSA's agent knows its owner.
std::string crossSysplexResources(int resources) {
    EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "HUBA:CMS").plexHub("PLXB:HUB", "HUBB:CMS");
    b.agent("SYSA:AGENT", "RTEMSA").agent("SYSB:AGENT", "RTEMSB");
    b.member("HUBA:CMS", "SYSA", "GRSPLEX").member("HUBB:CMS", "SYSB", "GRSPLEX");
    for (int i = 1; i <= resources; ++i) {
        b.summary("HUBB:CMS", SummaryTask{"SYSDSN", numbered("RES", i), "", numbered("W", i), "SYSB"});
        b.resource("RTEMSA", i, "SYSDSN", numbered("RES", i));
        b.task("RTEMSA", AgentTask{i, true, numbered("O", i), "SYSA"});
    }
    return b.sql();
}

TEST(LoopControl, SummaryQueryStopsAfter4001RowsWith71OnCall4002) {
    RunOptions options;
    options.levels = "none";
    options.extraCalls = 1;
    auto o = runQuery(oneSysplexWithResources(4002), HostFixture::report(), options);
    ASSERT_EQ(o.run.requests.size(), 4003u);
    EXPECT_EQ(o.run.requests[4000], 0);
    EXPECT_EQ(o.run.requests[4001], viewAbandoned);
    EXPECT_EQ(o.run.rows.size(), 4001u);
    EXPECT_EQ(o.run.abandonReason, zrx::Abandon::LoopControl);
    expectMatchesFile("loop_control_summary", renderShort(o, 2, {"enqmlcpr"}));
}

TEST(LoopControl, DetailQueryOf4000RowsEndsWith62ThenLoopControl) {
    auto b = oneSysplex();
    for (int i = 1; i <= 4000; ++i) {
        SummaryTask t{"SYSDSN", "BUSY.DATASET", "", numbered("W", i), "SYSA"};
        t.asid = i;
        b.summary("HUBA:CMS", t);
    }
    RunOptions options;
    options.levels = "none";
    options.extraCalls = 1;
    auto o = runQuery(b.sql(), HostFixture::resource("SYSDSN", "BUSY.DATASET", "PLEXA"), options);
    // Call 4001 finds no row (62); call 4002 is stopped by loop control.
    ASSERT_EQ(o.run.requests.size(), 4002u);
    EXPECT_EQ(o.run.requests[4000], noMoreRows);
    EXPECT_EQ(o.run.requests[4001], viewAbandoned);
    EXPECT_EQ(o.run.abandonReason, zrx::Abandon::LoopControl);
    expectMatchesFile("loop_control_detail", renderShort(o, 2, {"enqmlcpr"}));
}

TEST(EightEnqplexes, LastRowIsFollowedByTheMaxEnqpForm) {
    EnterpriseBuilder b;
    for (int p = 1; p <= 8; ++p) {
        const std::string n = std::to_string(p);
        b.plexHub("PLX" + n + ":HUB", "HUB" + n + ":CMS");
        b.member("HUB" + n + ":CMS", "SYS" + n, "ENQP" + n);
        // Enqplex ENQP3 has no contention.
        if (p != 3) b.summary("HUB" + n + ":CMS", SummaryTask{"SYSDSN", "DS" + n, "", "JOB" + n, "SYS" + n});
    }
    auto o = runQuery(b.sql(), HostFixture::report());
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 0, noMoreRows}));
    EXPECT_EQ(o.run.abandonReason, zrx::Abandon::None);
    EXPECT_EQ(countStatements(o, StatementKind::Members), 8u);
    EXPECT_EQ(countStatements(o, StatementKind::Summary), 8u);
    EXPECT_EQ(countStatements(o, StatementKind::Detail), 0u);
    expectMatchesFile("eight_enqplexes", renderShort(o, 4, {"SORstep"}) +
                                             e2e::traceLines(o, {"enqmlcpr"}).back() + "\n");
}

TEST(PhaseTwoBatching, ResourcesOfOneSystemFillAsFewStatementsAsTheLengthAllows) {
    RunOptions options;
    options.levels = "none";
    auto o = runQuery(crossSysplexResources(120), HostFixture::report(), options);
    EXPECT_EQ(o.run.requests.size(), 121u);
    EXPECT_EQ(o.run.last(), noMoreRows);
    // Predicates of 76 characters: 47 fit in a statement of 4096, so SYSA
    // gets three statements; SYSB reported every resource and gets none.
    ASSERT_EQ(countStatements(o, StatementKind::Detail), 3u);
    std::vector<size_t> lengths;
    for (const auto& s : o.statements)
        if (host::classifyStatement(s) == StatementKind::Detail) lengths.push_back(s.size());
    EXPECT_EQ(lengths, (std::vector<size_t>{4090, 4090, 334 + 26 * 79 - 3 + 46}));
    for (const auto& r : o.run.rows) {
        EXPECT_EQ(r.owntaskct, 1);
        EXPECT_EQ(r.waittaskct, 1);
    }
    expectMatchesFile("phase_two_batching", renderShort(o, 2, {}));
}

TEST(RowLimit, ReachedInPhaseOneAbandonsTheView) {
    RunOptions options;
    options.levels = "error";
    options.extraCalls = 2;
    auto o = runQuery(oneSysplexWithResources(5001), HostFixture::report(), options);
    // 5000 resources of one task each use all 10000 rows; the 5001st fails.
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{viewAbandoned, viewAbandoned, viewAbandoned}));
    EXPECT_TRUE(o.run.rows.empty());
    EXPECT_FALSE(o.run.liveAtEnd.any());
    // The limit outranks the failure it causes, and the later calls' lines.
    EXPECT_EQ(o.run.abandonReason, zrx::Abandon::OutputRowLimit);
    expectMatchesFile("row_limit_phase_one", renderShort(o, 0, {"enqmlcpr", "newSORow", "ProcessInput"}));
}

TEST(RowLimit, ReachedInAFullPhaseTwoStatementAbandonsTheView) {
    RunOptions options;
    options.levels = "error";
    options.extraCalls = 1;
    // 4990 resources with a waiter each take 9980 rows in phase I; SYSA's
    // first full statement brings owners for 47 of them, and the 21st finds
    // the limit.
    auto o = runQuery(crossSysplexResources(4990), HostFixture::report(), options);
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{viewAbandoned, viewAbandoned}));
    EXPECT_EQ(countStatements(o, StatementKind::Detail), 1u);
    EXPECT_FALSE(o.run.liveAtEnd.any());
    EXPECT_EQ(o.run.abandonReason, zrx::Abandon::OutputRowLimit);
    expectMatchesFile("row_limit_phase_two",
                      renderShort(o, 0, {"enqmlcpr", "newDORow", "ProcessInput", "DQSQLX"}));
}

} // namespace
