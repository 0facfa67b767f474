// Configuration discovery through the real host: the Enqplex table built
// from INODESTS and MXCFSYS, the statements sent, and what every failure
// leaves open.
#include <gtest/gtest.h>

#include "config/discovery.h"
#include "config/system_registration.h"
#include "core/operations.h"
#include "discovery_fixture.h"
#include "zrx/status.h"

using zrx::fetch::endOfData;
using zrx::entry::viewAbandoned;

namespace configtest {
namespace {

using host::Operation;

class FigConfigRun : public Discovery {};

// The PlexHub query with the affinity prefix, as the host receives it.
std::string plexHubStatement() {
    return "SELECT" + blanks(4) + "INODESTS.NODE ," + blanks(32) + "INODESTS.THRUNODE" + blanks(20) +
           "FROM" + blanks(6) + "Q7SRV.INODESTS" + blanks(23) + "WHERE" + blanks(5) +
           "INODESTS.AFFINITIES LIKE '10000000*'" + blanks(13) + "AND INODESTS.Q7ONLINE = 'Y';" +
           blanks(13);
}

std::string thruNodeStatement() {
    return "SELECT" + blanks(4) + "INODESTS.NODE ," + blanks(36) + "INODESTS.THRUNODE" + blanks(24) +
           "FROM" + blanks(6) + "Q7SRV.INODESTS" + blanks(27) + "WHERE" + blanks(5) +
           "SUBSTR(INODESTS.AFFINITIES,25,1) = \"2\"" + blanks(7) + "AND INODESTS.Q7ONLINE = 'Y';" +
           blanks(17);
}

// The MXCFSYS query with `at` as it stands between the quotes.
std::string membersStatement(const std::string& at) {
    return "SELECT" + blanks(2) + "MXCFSYS.SYS_NAME," + blanks(14) + "MXCFSYS.MON_INTVL," + blanks(13) +
           "MXCFSYS.OPR_INTVL," + blanks(13) + "MXCFSYS.STATUS," + blanks(16) + "MXCFSYS.MVSVERS," +
           blanks(15) + "MXCFSYS.ORIGINNODE," + blanks(12) + "MXCFSYS.ENQPLEX" + blanks(8) + "FROM" +
           blanks(4) + "VELDA.MXCFSYS" + blanks(10) + "AT" + blanks(6) + "(\"" + at + "\")" + blanks(15);
}

void expectSystem(const zrx::EnqplxEntry& e, int l, const std::string& sys, const std::string& plexHub,
                  const std::string& enqpText, const std::string& thruNode) {
    SCOPED_TRACE("System " + std::to_string(l));
    EXPECT_EQ(field(e.SysNames[l]), field(sys, 8));
    EXPECT_EQ(field(e.SysPHNames[l]), field(plexHub, 8));
    EXPECT_EQ(field(e.SysEnqpText[l]), field(enqpText, 32));
    EXPECT_EQ(field(e.SysEnqpNames[l]), field(e.EnqpName));
    if (thruNode.empty()) {
        EXPECT_EQ(field(e.SysThruNodes[l]), std::string(32, '?'));
        EXPECT_EQ(e.SysFlags[l], 0);
    } else {
        EXPECT_EQ(field(e.SysThruNodes[l]), field(thruNode, 32));
        EXPECT_EQ(e.SysFlags[l], zrx::thruNodeKnown);
    }
}

TEST_F(FigConfigRun, OneSysplexFillsOneEntryAndLeavesNothingPrepared) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBTEMS")
        .member("HUBTEMS", "SYSA", "PLEX1")
        .member("HUBTEMS", "SYSB", "PLEX1")
        .agent("SYSA:AGENT", "TEMSA")
        .agent("SYSB:AGENT", "TEMSB");
    ASSERT_EQ(discover(e), 0);

    EXPECT_EQ(w->numEnqplexes, 1);
    const auto& p = entry(0);
    EXPECT_EQ(field(p.EnqpName), "PLEX1   ");
    EXPECT_EQ(p.EnqpFlags, 0);
    EXPECT_EQ(p.numPHs, 1);
    EXPECT_EQ(p.numSys, 2);
    EXPECT_EQ(p.SOR1st, nullptr);
    EXPECT_EQ(field(p.PHNames[0]), "PLXA    ");
    EXPECT_EQ(field(p.PHNodes[0]), field("PLXA:HUB", 32));
    EXPECT_EQ(field(p.PHThruNodes[0]), field("HUBTEMS", 32));
    EXPECT_EQ(p.PHNames[1][0], ' ');
    expectSystem(p, 0, "SYSA", "PLXA", "PLEX1", "TEMSA");
    expectSystem(p, 1, "SYSB", "PLXA", "PLEX1", "TEMSB");
    EXPECT_EQ(field(p.MIMJbNm[0]), blanks(8));
    EXPECT_EQ(field(p.MIMJbNm[1]), blanks(8));
    EXPECT_EQ(p.SysNames[2][0], ' ');
    for (int i = 1; i < zrx::maxENQP; ++i) EXPECT_EQ(entry(i).EnqpName[0], ' ') << i;

    // The thru-node query was the last one; it is dropped, its slot defined.
    EXPECT_EQ(w->SQLtbl[0].state, 0x81u);
    EXPECT_STREQ(w->SQLtbl[0].tblName, "INODESTS");
    EXPECT_EQ(w->SQLtbl[1].state, 0u);
    const auto live = session->live();
    EXPECT_EQ(live.paths, 1);
    EXPECT_EQ(live.plans, 0);
    EXPECT_EQ(live.requests, 0);
    EXPECT_EQ(live.cursors, 0);
    EXPECT_EQ(statements().size(), 3u);
}

TEST_F(FigConfigRun, StatementsReachTheHostExactlyWithTheirBlankRuns) {
    const std::string thru = "HUBTEMS_ON_THE_PLEX_A_SIDE:CMS01";
    ASSERT_EQ(thru.size(), 32u);
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", thru).member(thru, "SYSA", "PLEX1");
    ASSERT_EQ(discover(e), 0);

    ASSERT_EQ(statements().size(), 3u);
    EXPECT_EQ(statements()[0], plexHubStatement());
    EXPECT_EQ(statements()[0].size(), 241u);
    EXPECT_EQ(statements()[1], membersStatement(thru));
    EXPECT_EQ(statements()[1].size(), 307u);
    EXPECT_EQ(statements()[2], thruNodeStatement());
    EXPECT_EQ(statements()[2].size(), 253u);
    EXPECT_EQ(linesOf("FigConfig")[0], "INODESTS SQL(" + plexHubStatement() + ")");
    EXPECT_TRUE(trace->hasLine("MXCFSYS SQL(" + membersStatement(thru) + ")"));
    EXPECT_TRUE(trace->hasLine("INODESTS SQL(" + thruNodeStatement() + ")"));
    EXPECT_EQ(w->SQLtbl[0].colCnt, 2);
    EXPECT_EQ(w->SQLtbl[1].colCnt, 7);
    EXPECT_STREQ(w->SQLtbl[1].tblName, "MXCFSYS");
}

TEST_F(FigConfigRun, TwoPlexHubsInOneEnqplexEachQueriedAtItsThruNode) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA")
        .plexHub("PLXB:HUB", "HUBB")
        .member("HUBA", "SYSA", "PLEX1")
        .member("HUBA", "SYSB", "PLEX1")
        .member("HUBB", "SYSC", "PLEX1")
        .agent("SYSC:AGENT", "TEMSC");
    ASSERT_EQ(discover(e), 0);

    EXPECT_EQ(w->numEnqplexes, 1);
    const auto& p = entry(0);
    EXPECT_EQ(p.numPHs, 2);
    EXPECT_EQ(p.numSys, 3);
    EXPECT_EQ(field(p.PHNames[1]), "PLXB    ");
    EXPECT_EQ(field(p.PHNodes[1]), field("PLXB:HUB", 32));
    EXPECT_EQ(field(p.PHThruNodes[0]), field("HUBA", 32));
    EXPECT_EQ(field(p.PHThruNodes[1]), field("HUBB", 32));
    expectSystem(p, 0, "SYSA", "PLXA", "PLEX1", "");
    expectSystem(p, 1, "SYSB", "PLXA", "PLEX1", "");
    expectSystem(p, 2, "SYSC", "PLXB", "PLEX1", "TEMSC");

    ASSERT_EQ(statements().size(), 4u);
    EXPECT_EQ(statements()[1], membersStatement(field("HUBA", 32)));
    EXPECT_EQ(statements()[2], membersStatement(field("HUBB", 32)));
    // Every PlexHub's MXCFSYS text is written right after the outer text.
    EXPECT_EQ(w->SQLtbl[1].sqlStmt, w->sqlText + 242);
    // Each of the four requests was closed once.
    EXPECT_EQ(host::faults(fx->host()).calls(Operation::CloseRequest), 4u);
}

TEST_F(FigConfigRun, MimJobNamesMakeTheEnqplexMimManaged) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA")
        .member("HUBA", "SYSA", "PLEXM.MIMJOB1")
        .member("HUBA", "SYSB", "PLEXM.MIMJOB2")
        .member("HUBA", "SYSC", "PLEXN")
        .member("HUBA", "SYSD", "PLEXN.MIMJOB4");
    ASSERT_EQ(discover(e), 0);

    ASSERT_EQ(w->numEnqplexes, 2);
    EXPECT_EQ(field(entry(0).EnqpName), "PLEXM   ");
    EXPECT_EQ(entry(0).EnqpFlags, zrx::mimManaged);
    EXPECT_EQ(field(entry(0).MIMJbNm[0]), "MIMJOB1 ");
    EXPECT_EQ(field(entry(0).MIMJbNm[1]), "MIMJOB2 ");
    // A MIM job after a first System without one is accepted, unmanaged.
    EXPECT_EQ(field(entry(1).EnqpName), "PLEXN   ");
    EXPECT_EQ(entry(1).EnqpFlags, 0);
    EXPECT_EQ(field(entry(1).MIMJbNm[0]), blanks(8));
    EXPECT_EQ(field(entry(1).MIMJbNm[1]), "MIMJOB4 ");
}

TEST_F(FigConfigRun, DefaultEnqplexIsSharedBySystemsOfTwoPlexHubs) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA")
        .plexHub("PLXB:HUB", "HUBB")
        .member("HUBA", "SYSA", std::nullopt)
        .member("HUBB", "SYSB", "   ")
        .member("HUBB", "SYSC", "PLEX1");
    ASSERT_EQ(discover(e), 0);

    ASSERT_EQ(w->numEnqplexes, 2);
    const auto& d = entry(0);
    EXPECT_EQ(field(d.EnqpName), "*DEFAULT");
    EXPECT_EQ(d.numPHs, 2);
    EXPECT_EQ(d.numSys, 2);
    EXPECT_EQ(field(d.PHNames[0]), "PLXA    ");
    EXPECT_EQ(field(d.PHNames[1]), "PLXB    ");
    expectSystem(d, 0, "SYSA", "PLXA", "", "");
    expectSystem(d, 1, "SYSB", "PLXB", "", "");
    EXPECT_EQ(field(entry(1).EnqpName), "PLEX1   ");
    EXPECT_EQ(entry(1).numPHs, 1);
    EXPECT_EQ(field(entry(1).PHNames[0]), "PLXB    ");
}

TEST_F(FigConfigRun, NoOnlinePlexHubStillRunsTheThruNodeQueryAfterTheReset) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA", false).member("HUBA", "SYSA", "PLEX1").agent("SYSA:AGENT", "TEMSA");
    open(e);
    // Whatever the entries held, discovery starts from unused ones; the
    // reset leaves the flags and the count alone.
    std::memset(w->Enqplxs, 'Z', sizeof w->Enqplxs);
    ASSERT_EQ(zrx::FigConfig(w), 0);

    EXPECT_EQ(w->numEnqplexes, 0);
    for (const auto& p : w->Enqplxs) {
        EXPECT_EQ(p.EnqpName[0], ' ');
        EXPECT_EQ(p.EnqpName[1], 'Z');
        EXPECT_EQ(p.EnqpFlags, 'Z');
        EXPECT_EQ(p.numPHs, 0);
        EXPECT_EQ(p.numSys, 0);
        EXPECT_EQ(p.SOR1st, nullptr);
    }
    EXPECT_EQ(statements(), (std::vector<std::string>{plexHubStatement(), thruNodeStatement()}));
    EXPECT_FALSE(session->live().requests);
}

TEST_F(FigConfigRun, PlexHubWithEmptyMxcfsysIsRecordedNowhere) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA").plexHub("PLXB:HUB", "HUBB").member("HUBB", "SYSB", "PLEX1");
    ASSERT_EQ(discover(e), 0);

    ASSERT_EQ(w->numEnqplexes, 1);
    EXPECT_EQ(entry(0).numPHs, 1);
    EXPECT_EQ(field(entry(0).PHNames[0]), "PLXB    ");
    EXPECT_EQ(entry(0).PHNames[1][0], ' ');
    EXPECT_EQ(statements().size(), 4u);
}

TEST_F(FigConfigRun, ThruNodesComeFromTheAgentRowsByShortName) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA")
        .member("HUBA", "SYSA", "PLEX1")
        .member("HUBA", "SYSB", "PLEX1")
        .member("HUBA", "SYSC", "PLEX1")
        // Two rows for SYSA: the later one's thru-node stays.
        .agent("SYSA:AGENT1", "TEMS1")
        .agent("SYSA:AGENT2", "TEMS2")
        // SYSB's agent is offline; SYSC has none. Neither fails discovery.
        .agent("SYSB:AGENT", "TEMSB", false)
        .agent("SYSZ:AGENT", "TEMSZ");
    ASSERT_EQ(discover(e), 0);

    const auto& p = entry(0);
    expectSystem(p, 0, "SYSA", "PLXA", "PLEX1", "TEMS2");
    expectSystem(p, 1, "SYSB", "PLXA", "PLEX1", "");
    expectSystem(p, 2, "SYSC", "PLXA", "PLEX1", "");
}

TEST_F(FigConfigRun, EverySystemOfAFullTableFindsItsThruNode) {
    // Eight Enqplexes of 64 Systems: the most the table holds, each System
    // named by an agent row of its own, the last Enqplex's in reverse.
    EnterpriseBuilder e;
    auto name = [](int p, int l) { return "S" + std::to_string(p) + "X" + std::to_string(l); };
    for (int p = 0; p < zrx::maxENQP; ++p) {
        const std::string hub = "HUB" + std::to_string(p);
        e.plexHub("PLX" + std::to_string(p) + ":HUB", hub);
        for (int l = 0; l < zrx::maxSystems; ++l) e.member(hub, name(p, l), "PLEX" + std::to_string(p));
    }
    for (int p = 0; p < zrx::maxENQP; ++p)
        for (int l = 0; l < zrx::maxSystems; ++l) {
            const int at = p == zrx::maxENQP - 1 ? zrx::maxSystems - 1 - l : l;
            e.agent(name(p, at) + ":AGENT", "T" + name(p, at));
        }
    ASSERT_EQ(discover(e), 0);
    ASSERT_EQ(w->numEnqplexes, zrx::maxENQP);
    for (int p = 0; p < zrx::maxENQP; ++p)
        for (int l = 0; l < zrx::maxSystems; ++l)
            expectSystem(entry(p), l, name(p, l), "PLX" + std::to_string(p), "PLEX" + std::to_string(p),
                         "T" + name(p, l));
}

TEST_F(FigConfigRun, PlexHubNameIsTheNodeBeforeItsColonAtMostEightCharacters) {
    EnterpriseBuilder e;
    e.plexHub("PLX4:HUB", "HUB1")
        .plexHub("LONGPLEXNAME:HUB", "HUB2")
        .plexHub("PLXC", "HUB3")
        .member("HUB1", "SYS1", "P1")
        .member("HUB2", "SYS2", "P2")
        .member("HUB3", "SYS3", "P3");
    ASSERT_EQ(discover(e), 0);

    ASSERT_EQ(w->numEnqplexes, 3);
    EXPECT_EQ(field(entry(0).PHNames[0]), "PLX4    ");
    EXPECT_EQ(field(entry(1).PHNames[0]), "LONGPLEX");
    EXPECT_EQ(field(entry(2).PHNames[0]), "PLXC    ");
    EXPECT_EQ(field(entry(1).SysPHNames[0]), "LONGPLEX");
}

TEST_F(FigConfigRun, CreateReqFailureOfEachQueryDropsRequestsAndPath) {
    struct Case {
        Operation op;
        uint64_t nth;
        size_t statementsLogged; // a refused plan logs no statement
        int numEnqplexes;
    };
    // The PlexHub query, the MXCFSYS query (with the outer query open) and
    // the thru-node query, each failing at another step.
    const Case cases[] = {
        {Operation::CreateAccessPlan, 1, 0, 0},
        {Operation::OpenRequest, 2, 2, 0},
        {Operation::GetOutputSQLDA, 3, 3, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(host::operationName(c.op)));
        EnterpriseBuilder e;
        e.plexHub("PLXA:HUB", "HUBA").member("HUBA", "SYSA", "PLEX1").agent("SYSA:AGENT", "TEMSA");
        open(e, "error");
        faults().failCall(c.op, c.nth, 41);
        ASSERT_EQ(zrx::FigConfig(w), 1);

        EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{"createReq failure(41)"});
        EXPECT_EQ(statements().size(), c.statementsLogged);
        EXPECT_EQ(w->numEnqplexes, c.numEnqplexes);
        const auto live = session->live();
        EXPECT_EQ(live.paths, 0);
        EXPECT_EQ(live.plans, 0);
        EXPECT_EQ(live.requests, 0);
        EXPECT_EQ(live.cursors, 0);
        EXPECT_EQ(faults().calls(Operation::DropPath), 1u);
        EXPECT_EQ(w->SQLtbl[0].state, 0x81u);
    }
}

TEST_F(FigConfigRun, CreateReqFailureIsTracedOnlyAsError) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA");
    open(e, "none");
    faults().failCall(Operation::CreateAccessPlan, 1, 41);
    EXPECT_EQ(zrx::FigConfig(w), 1);
    EXPECT_TRUE(linesOf("FigConfig").empty());
}

TEST_F(FigConfigRun, FetchFailuresEndDiscovery) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA").member("HUBA", "SYSA", "PLEX1").agent("SYSA:AGENT", "TEMSA");

    // The MXCFSYS fetch failure is written whatever the trace level.
    open(e, "none");
    faults().failCall(Operation::FetchRow, 2, 7);
    EXPECT_EQ(zrx::FigConfig(w), 1);
    EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{"fetchPxsmRow failed status 7"});

    // A column count other than 7 ends the member rows with 8.
    open(e, "none");
    faults().malformResult({host::StatementKind::Members, 0, -1, -1, 0, -1});
    EXPECT_EQ(zrx::FigConfig(w), 1);
    EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{"fetchPxsmRow failed status 8"});

    // An INODESTS fetch failure, in either loop, is a detail line.
    for (uint64_t nth : {1u, 5u}) {
        open(e, "FigConfig:detail");
        faults().failCall(Operation::FetchRow, nth, 7);
        EXPECT_EQ(zrx::FigConfig(w), 1);
        EXPECT_EQ(linesOf("FigConfig").back(), "fetchInodeRow failed status 7") << nth;
        open(e, "none");
        faults().failCall(Operation::FetchRow, nth, 7);
        EXPECT_EQ(zrx::FigConfig(w), 1);
        EXPECT_TRUE(linesOf("FigConfig").empty());
    }
}

TEST_F(FigConfigRun, FetchersWithoutTheirQueryReportEndOfData) {
    open(EnterpriseBuilder{}, "error");
    EXPECT_EQ(zrx::fetchInodeRow(w), endOfData);
    EXPECT_EQ(zrx::fetchPxsmRow(w), endOfData);
    EXPECT_EQ(trace->lines(),
              (std::vector<std::string>{"fetchInodeRow: fetchInodeRow error INODESTS table missing",
                                        "fetchPxsmRow: fetchPxsmRow error MXCFSYS table missing"}));
    EXPECT_EQ(faults().calls(Operation::FetchRow), 0u);
}

TEST_F(FigConfigRun, EndOfEachMemberTableDumpsAllEntriesUnderDetail) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA").member("HUBA", "SYSA", "PLEX1");
    ASSERT_EQ(discover(e, "FigConfig:detail"), 0);
    const auto lines = linesOf("FigConfig");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "At end of one PlexHub's MXCFSYS table ..."), 1);
    EXPECT_EQ(lines[1], "About to access MXCFSYS for Node \"" + field("PLXA:HUB", 32) + "\" Thrunode \"" +
                            field("HUBA", 32) + "\"       ");
    // One used entry (11 lines) and seven unused ones (4 lines each).
    EXPECT_EQ(linesOf("logEnqplxs").size(), 11u + 7u * 4u);

    ASSERT_EQ(discover(e, "none"), 0);
    EXPECT_TRUE(linesOf("logEnqplxs").empty());
}

TEST_F(FigConfigRun, FetchedRowsAreDumpedUnderTheFetchersDetailTrace) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA")
        .member("HUBA", "SYSA", "PLEX1.MIMJOB")
        .member("HUBA", "SYSB", "PLEX1.MIMJOB");
    open(e, "fetchPxsmRow:detail fetchInodeRow:detail");
    // A null MON_INTVL in the second row keeps its zero.
    faults().malformResult({host::StatementKind::Members, 2, 0, -1, 0, 1});
    ASSERT_EQ(zrx::FigConfig(w), 0);

    auto dump = [](const std::string& sys, int monintvl) {
        return std::vector<std::string>{"    sysname    = " + field(sys, 8),
                                        "    monintvl   = " + std::to_string(monintvl),
                                        "    oprintvl   = 300",
                                        "    status     = " + field("ACTIVE", 16),
                                        "    mvsvers    = " + field("z/OS 02.05.00", 16),
                                        "    originnode = " + field("HUBA", 32),
                                        "    enqplex    = " + field("PLEX1.MIMJOB", 32)};
    };
    std::vector<std::string> expected = dump("SYSA", 60);
    const auto second = dump("SYSB", 0);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(linesOf("logRowPxsmRow"), expected);
    EXPECT_EQ(linesOf("logRow"), (std::vector<std::string>{"Dump requested for INODESTS row",
                                                           "    node       = " + field("PLXA:HUB", 32),
                                                           "    thrunode   = " + field("HUBA", 32)}));
}

// Rows that the hub or a PlexHub delivers with blank or null names.

TEST_F(FigConfigRun, NullThruNodeDoesNotReuseThePreviousRowsThruNode) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA")
        .node("PLXB:HUB", std::nullopt, zrxtest::plexHubAffinity, "Y")
        .member("HUBA", "SYSA", "PLEX1")
        .agent("SYSA:AGENT", "TEMSA")
        .node("SYSB:AGENT", std::nullopt, zrxtest::agentAffinity, "Y");
    ASSERT_EQ(discover(e, "error"), 0);

    // PLXB is not asked at all (asking at HUBA again would report SYSA twice).
    ASSERT_EQ(statements().size(), 3u);
    EXPECT_EQ(linesOf("FigConfig"),
              (std::vector<std::string>{
                  "PlexHub node \"" + field("PLXB:HUB", 32) + "\" passed over: no PlexHub name or no thru-node",
                  "Agent node \"" + field("SYSB:AGENT", 32) + "\" passed over: no System name or no thru-node"}));
    EXPECT_EQ(w->numEnqplexes, 1);
    EXPECT_EQ(entry(0).numPHs, 1);
    EXPECT_EQ(field(entry(0).PHThruNodes[0]), field("HUBA", 32));
    expectSystem(entry(0), 0, "SYSA", "PLXA", "PLEX1", "TEMSA");
}

TEST_F(FigConfigRun, AgentRowWithoutThruNodeUpdatesNoSystemAndIsNamed) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA")
        .member("HUBA", "SYSA", "PLEX1")
        .member("HUBA", "SYSB", "PLEX1")
        .member("HUBA", "SYSC", "PLEX1")
        .agent("SYSA:AGENT", "TEMSA")
        .node("SYSB:AGENT", std::nullopt, zrxtest::agentAffinity, "Y")
        .agent("SYSC:AGENT", "   TEMSC")
        .agent(":AGENT", "TEMSX");
    ASSERT_EQ(discover(e, "error"), 0);
    expectSystem(entry(0), 0, "SYSA", "PLXA", "PLEX1", "TEMSA");
    expectSystem(entry(0), 1, "SYSB", "PLXA", "PLEX1", "");
    expectSystem(entry(0), 2, "SYSC", "PLXA", "PLEX1", "");
    const std::string passedOver = "\" passed over: no System name or no thru-node";
    EXPECT_EQ(linesOf("FigConfig"), (std::vector<std::string>{"Agent node \"" + field("SYSB:AGENT", 32) + passedOver,
                                                             "Agent node \"" + field("SYSC:AGENT", 32) + passedOver,
                                                             "Agent node \"" + field(":AGENT", 32) + passedOver}));
}

TEST_F(FigConfigRun, PlexHubWithoutNameBeforeItsColonIsPassedOver) {
    EnterpriseBuilder e;
    e.plexHub(":HUB", "HUBA").plexHub(" PLXB:HUB", "HUBB").member("HUBA", "SYSA", "PLEX1");
    ASSERT_EQ(discover(e, "error"), 0);
    EXPECT_EQ(statements().size(), 2u);
    EXPECT_EQ(w->numEnqplexes, 0);
    EXPECT_EQ(linesOf("FigConfig").size(), 2u);
}

TEST_F(FigConfigRun, ThruNodesThatBeginWithANulAreNotAsked) {
    // An empty AT clause would be refused by the data server and end the
    // whole discovery; the PlexHub is passed over and the agent updates no
    // System instead.
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA")
        .raw("INSERT INTO INODESTS VALUES('PLXB:HUB', CAST(X'00485542' AS TEXT), '" +
             std::string(zrxtest::plexHubAffinity) + "', 'Y');")
        .member("HUBA", "SYSA", "PLEX1")
        .member("HUBA", "SYSB", "PLEX1")
        .agent("SYSA:AGENT", "TEMSA")
        .raw("INSERT INTO INODESTS VALUES('SYSB:AGENT', CAST(X'0054' AS TEXT), '" +
             std::string(zrxtest::agentAffinity) + "', 'Y');");
    ASSERT_EQ(discover(e, "error"), 0);
    ASSERT_EQ(statements().size(), 3u);
    EXPECT_EQ(linesOf("FigConfig").size(), 2u) << "the PlexHub and the agent";
    EXPECT_EQ(entry(0).numPHs, 1);
    expectSystem(entry(0), 0, "SYSA", "PLXA", "PLEX1", "TEMSA");
    expectSystem(entry(0), 1, "SYSB", "PLXA", "PLEX1", "");
}

TEST_F(FigConfigRun, QuoteInThruNodeIsDoubledInTheAtClause) {
    const std::string thru = "HUB\"A\") OR (\"X";
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", thru).member(thru, "SYSA", "PLEX1").member("X", "SYSX", "PLEX1");
    ASSERT_EQ(discover(e), 0);

    ASSERT_EQ(statements().size(), 3u);
    EXPECT_EQ(statements()[1], membersStatement("HUB\"\"A\"\") OR (\"\"X" + blanks(32 - thru.size())));
    EXPECT_EQ(statements()[1].size(), 277u - 2u + 32u + 3u);
    ASSERT_EQ(w->numEnqplexes, 1);
    EXPECT_EQ(entry(0).numSys, 1);
    EXPECT_EQ(field(entry(0).SysNames[0]), "SYSA    ");
    EXPECT_EQ(field(entry(0).PHThruNodes[0]), field(thru, 32));
}

TEST_F(FigConfigRun, NullSystemNamesArePassedOverWithoutTakingSlots) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA").member("HUBA", "SYSA", "PLEX1");
    for (int i = 0; i < 70; ++i) e.member("HUBA", std::nullopt, "PLEX1");
    e.member("HUBA", "SYSB", "PLEX1");
    ASSERT_EQ(discover(e, "error"), 0);

    ASSERT_EQ(w->numEnqplexes, 1);
    EXPECT_EQ(entry(0).numSys, 2);
    EXPECT_EQ(field(entry(0).SysNames[1]), "SYSB    ");
    EXPECT_EQ(trace->count("MXCFSYS row without a System name passed over (PlexHub PLXA    , ENQPLEX \"" +
                           field("PLEX1", 32) + "\")"),
              70u);
}

TEST_F(FigConfigRun, OverlongValuesAreCutAtTheFieldWidth) {
    const std::string longNode = "PLEXHUBNODE_WITH_A_NAME_OF_FORTY_CHARS_X";
    const std::string longThru = "AGENT_THRU_NODE_NAME_OF_FORTY_CHARACTERS";
    ASSERT_EQ(longNode.size(), 40u);
    ASSERT_EQ(longThru.size(), 40u);
    EnterpriseBuilder e;
    e.plexHub(longNode, "HUBA")
        .member("HUBA", "SYSTEMTEN1", "PLEX1" + blanks(30) + "TAILTAIL")
        .agent("SYSTEMTE:AGENT", longThru);
    ASSERT_EQ(discover(e), 0);

    const auto& p = entry(0);
    EXPECT_EQ(field(p.PHNames[0]), "PLEXHUBN");
    EXPECT_EQ(field(p.PHNodes[0]), longNode.substr(0, 32));
    EXPECT_EQ(field(p.PHThruNodes[0]), field("HUBA", 32));
    EXPECT_EQ(field(p.SysNames[0]), "SYSTEMTE");
    EXPECT_EQ(field(p.SysEnqpText[0]), field("PLEX1", 32));
    EXPECT_EQ(field(p.SysThruNodes[0]), longThru.substr(0, 32));
    // Nothing spilled into the fields after the rows.
    EXPECT_EQ(field(w->pxsmRow.sysname), blanks(8));
    const zrx::InputRow zero{};
    EXPECT_EQ(std::memcmp(&w->inputRow, &zero, sizeof zero), 0);
}

TEST_F(FigConfigRun, ConfigurationErrorLeavesRequestsOpenUntilSessionEnd) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA").member("HUBA", "SYSA", "PLEX1").member("HUBA", "SYSA", "PLEX1");
    open(e, "none");
    EXPECT_EQ(zrx::FigConfig(w), 1);
    EXPECT_EQ(linesOf("FigConfig"),
              std::vector<std::string>{
                  "DoMxcfsysRow indicated the configuration error cited above; abandoning view\n"});
    EXPECT_EQ(session->live().requests, 2);
    EXPECT_EQ(session->end(), 0);
    EXPECT_FALSE(session->liveAtEnd().any());
}

TEST_F(FigConfigRun, ConfigurationErrorAbandonsTheQuery) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA").member("HUBA", "SYSA", "NAME1").member("HUBA", "SYSA", "NAME1");
    zrxtest::TraceRecorder recorder("none");
    zrxtest::HostFixture host(e.sql());
    const auto run = host.run(zrxtest::HostFixture::report());
    EXPECT_EQ(run.requests, std::vector<int32_t>{viewAbandoned});
    EXPECT_TRUE(recorder.hasLine("FigConfig Problem; Abandoning View"));
    EXPECT_FALSE(run.liveAtEnd.any());
    EXPECT_TRUE(run.rows.empty());
}

} // namespace
} // namespace configtest
