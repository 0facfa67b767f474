// Whole queries on hand-written enterprises: every row, status, host query
// and detail trace line, compared with files checked by hand.
#include <gtest/gtest.h>

#include "testing/fault_plan.h"
#include "testing/statement_text.h"
#include "e2e_harness.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

namespace {

using e2e::countStatements;
using e2e::expectMatchesFile;
using e2e::render;
using e2e::runQuery;
using e2e::scenario;
using host::StatementKind;
using zrxtest::HostFixture;

TEST(OneSysplex, ReportHasOneRowPerResourceAndNoPhaseTwoQuery) {
    auto o = runQuery(scenario("one_sysplex"), HostFixture::report());
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{0, 0, noMoreRows}));
    EXPECT_EQ(o.statements.size(), 4u);
    EXPECT_EQ(countStatements(o, StatementKind::Summary), 1u);
    EXPECT_EQ(countStatements(o, StatementKind::Detail), 0u);
    expectMatchesFile("one_sysplex_report", render(o));
}

TEST(TwoSysplexes, OnlyPhaseTwoFindsTheOwnerOnTheOtherSysplex) {
    auto o = runQuery(scenario("two_sysplexes"), HostFixture::report());
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{0, 0, 0, 0, noMoreRows}));
    // Summary queries to the three PlexHubs; detail queries to SYSA (the
    // catalog) and SYSB (USER2.CLIST) only: SYSC reported or skips
    // everything, SYSD has no thru-node, TESTPLX is a lone Sysplex.
    EXPECT_EQ(countStatements(o, StatementKind::Summary), 3u);
    EXPECT_EQ(countStatements(o, StatementKind::Detail), 2u);
    std::vector<std::string> asked;
    for (const auto& s : o.statements) {
        if (host::classifyStatement(s) != StatementKind::Detail) continue;
        // VOL001 has its exclusive true owner from phase I: never asked.
        EXPECT_EQ(s.find("VOL001"), std::string::npos);
        asked.push_back(s.substr(s.find("AT (\"") + 5, 6));
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"RTEMSA", "RTEMSB"}));
    expectMatchesFile("two_sysplexes_report", render(o));
}

TEST(TwoSysplexes, NamedResourceIsCollectedInItsEnqplexOnly) {
    auto o = runQuery(scenario("two_sysplexes"),
                      HostFixture::resource("SYSDSN", "SHARED.CATALOG", "GRSPLEX"));
    // Detail mode: the waiter seen by PLXB, then the owner that SYSA's agent
    // reported, under PLXA. TESTPLX holds the resource too but is not asked.
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{0, 0, noMoreRows}));
    EXPECT_EQ(countStatements(o, StatementKind::Summary), 2u);
    EXPECT_EQ(countStatements(o, StatementKind::Detail), 1u);
    expectMatchesFile("two_sysplexes_catalog", render(o, e2e::driverRoutines));
}

TEST(TwoSysplexes, NamedResourceOfTheSecondEnqplexIsReachedPastTheFirst) {
    auto o = runQuery(scenario("two_sysplexes"),
                      HostFixture::resource("SYSDSN", "SHARED.CATALOG", "TESTPLX"));
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{0, noMoreRows}));
    ASSERT_EQ(o.run.rows.size(), 1u);
    EXPECT_EQ(e2e::renderRow(o.run.rows[0]),
              "SYSDSN|SHARED.CATALOG|1|0|0|TESTOWN||SYSE|0|0|70|0||SYSE:AGENT|PLXC|TESTPLX|128");
    // Only TESTPLX's PlexHub is asked; a lone Sysplex gets no phase II.
    EXPECT_EQ(countStatements(o, StatementKind::Summary), 1u);
    EXPECT_EQ(countStatements(o, StatementKind::Detail), 0u);
    EXPECT_NE(o.statements.back().find("HUBC:CMS"), std::string::npos);
}

TEST(TwoSysplexes, UnknownEnqplexEndsAtOnceWithoutContentionQueries) {
    auto o = runQuery(scenario("two_sysplexes"),
                      HostFixture::resource("SYSDSN", "SHARED.CATALOG", "NOPLEX"));
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{noMoreRows}));
    EXPECT_TRUE(o.run.rows.empty());
    EXPECT_EQ(o.statements.size(), 5u); // discovery only
    expectMatchesFile("two_sysplexes_unknown_enqplex", render(o, e2e::driverRoutines));
}

TEST(OneSysplex, NamedResourceHasOneRowPerTask) {
    auto o = runQuery(scenario("one_sysplex"),
                      HostFixture::resource("SYSDSN", "PROD.PAYROLL.LOAD", "PLEXA"));
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{0, 0, 0, noMoreRows}));
    EXPECT_EQ(countStatements(o, StatementKind::Summary), 1u);
    EXPECT_EQ(countStatements(o, StatementKind::Detail), 0u);
    expectMatchesFile("one_sysplex_payroll", render(o, e2e::driverRoutines));
}

TEST(MimEnqplex, OneSysplexUnderMimGetsPhaseTwo) {
    auto o = runQuery(scenario("mim_enqplex"), HostFixture::report());
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{0, 0, 0, noMoreRows}));
    // SYSM1 reported every resource; SYSM2 is asked about DSN.A; SYSM3 about
    // DSN.B and DSN.C in one statement (DSN.A has its exclusive owner by then).
    EXPECT_EQ(countStatements(o, StatementKind::Summary), 1u);
    EXPECT_EQ(countStatements(o, StatementKind::Detail), 2u);
    expectMatchesFile("mim_enqplex_report", render(o, e2e::driverRoutines));
}

TEST(MimEnqplex, TrueOwnerMarksOfEachTask) {
    std::string all;
    for (const char* minor : {"DSN.A", "DSN.B", "DSN.C"}) {
        auto o = runQuery(scenario("mim_enqplex"), HostFixture::resource("DSNQ", minor, "MIMPLEX"));
        all += std::string("== ") + minor + "\n" + render(o, {"setupMentrenq", "DQSQLX"});
    }
    expectMatchesFile("mim_enqplex_true_owners", all);
}

TEST(DefaultEnqplex, SystemsNamingNoEnqplexShareOneWithTwoPlexHubs) {
    auto o = runQuery(scenario("default_enqplex"), HostFixture::report());
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{0, noMoreRows}));
    EXPECT_EQ(countStatements(o, StatementKind::Summary), 2u);
    EXPECT_EQ(countStatements(o, StatementKind::Detail), 1u);
    expectMatchesFile("default_enqplex_report", render(o, e2e::driverRoutines));
}

} // namespace
