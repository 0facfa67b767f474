// Repeated and contradictory rows in the hub's and the agents' tables: each
// snapshot ends with the configuration error it deserves (71, nothing left
// open) or with rows that follow the rules; repeats that add nothing change
// nothing.
#include <gtest/gtest.h>

#include <functional>

#include "reliability_harness.h"
#include "row_rules.h"
#include "support/enterprise_builder.h"
#include "support/trace_recorder.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;
using zrx::entry::viewAbandoned;

namespace reliability {
namespace {

using zrxtest::AgentTask;
using zrxtest::EnterpriseBuilder;
using zrxtest::SummaryTask;

// Two Sysplexes in ENQP1: PLXA reports SYSA1 and SYSA2, PLXB reports SYSB1.
// PAY.MASTER is owned on SYSA1 and waited for on SYSA2 and SYSB1; PLXB sees
// only a waiter of SRC, whose owner phase II finds on SYSA1.
EnterpriseBuilder base(const std::function<void(EnterpriseBuilder&)>& extraConfig = {}) {
    EnterpriseBuilder b;
    b.plexHub("PLXA:PLEXHUB", "RTEMS_PLXA").plexHub("PLXB:PLEXHUB", "RTEMS_PLXB");
    b.agent("SYSA1:AGENT", "RTEMS_SYSA1").agent("SYSA2:AGENT", "RTEMS_SYSA2");
    b.agent("SYSB1:AGENT", "RTEMS_SYSB1");
    if (extraConfig) extraConfig(b);
    b.member("RTEMS_PLXA", "SYSA1", "ENQP1").member("RTEMS_PLXA", "SYSA2", "ENQP1");
    b.member("RTEMS_PLXB", "SYSB1", "ENQP1");
    b.summary("RTEMS_PLXA", {"SYSDSN", "PAY.MASTER", "JOBA", "", "SYSA1", 0, 0x21, 0});
    b.summary("RTEMS_PLXA", {"SYSDSN", "PAY.MASTER", "", "JOBW", "SYSA2", 0, 0x22, 40});
    b.summary("RTEMS_PLXB", {"SYSDSN", "PAY.MASTER", "", "JOBX", "SYSB1", 0, 0x23, 75});
    b.summary("RTEMS_PLXB", {"SPFEDIT", "SRC", "", "JOBY", "SYSB1", 0, 0x24, 12});
    b.resource("RTEMS_SYSA1", 1, "SPFEDIT", "SRC");
    b.task("RTEMS_SYSA1", {1, true, "JOBO", "SYSA1", 0, 0x25, 0, 0});
    b.resource("RTEMS_SYSB1", 1, "SPFEDIT", "SRC");
    b.task("RTEMS_SYSB1", {1, false, "JOBY", "SYSB1", 0, 0x24, 12, 0});
    return b;
}

const std::vector<host::Predicate> payMaster = zrxtest::HostFixture::resource("SYSDSN", "PAY.MASTER", "ENQP1");
const std::vector<host::Predicate> src = zrxtest::HostFixture::resource("SPFEDIT", "SRC", "ENQP1");

struct Runs {
    Outcome report, payMaster, src;
};

Runs runAll(const std::string& sql) {
    Enterprise e("case", sql);
    return {e.run(zrxtest::HostFixture::report()), e.run(payMaster), e.run(src)};
}

void expectSound(const Outcome& o, bool detailMode) {
    SCOPED_TRACE(describe(o));
    EXPECT_EQ(o.start, 0);
    EXPECT_TRUE(o.last() == noMoreRows || o.last() == viewAbandoned);
    EXPECT_EQ(o.end, 0);
    EXPECT_FALSE(o.liveAtEnd.any());
    EXPECT_EQ(o.hostStorageOutstanding, 0u);
    for (const auto& v : ruleViolations(o.rows, detailMode, {"ENQP1"})) ADD_FAILURE() << v;
}

void expectAbandoned(const Runs& r) {
    for (const Outcome* o : {&r.report, &r.payMaster, &r.src}) {
        SCOPED_TRACE(describe(*o));
        EXPECT_EQ(o->requests, std::vector<int32_t>{viewAbandoned});
        EXPECT_TRUE(o->rows.empty());
        EXPECT_EQ(o->end, 0);
        EXPECT_FALSE(o->liveAtEnd.any());
    }
}

TEST(ContradictoryConfiguration, TheCleanEnterpriseAnswersAllThreeQueries) {
    const Runs r = runAll(base().sql());
    EXPECT_EQ(r.report.rows.size(), 2u);
    EXPECT_EQ(r.payMaster.rows.size(), 3u);
    EXPECT_EQ(r.src.rows.size(), 2u);
    expectSound(r.report, false);
    expectSound(r.payMaster, true);
    expectSound(r.src, true);
}

TEST(ContradictoryConfiguration, RepeatedOrConflictingRegistrationsAbandonTheView) {
    struct Case {
        const char* name;
        std::string sql;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"a PlexHub listed twice by the hub",
         base([](EnterpriseBuilder& b) { b.plexHub("PLXA:PLEXHUB", "RTEMS_PLXA"); }).sql(),
         "DoMxcfsysRow: Configuration Error: System SYSA1    occurs multiple times\n"},
        {"a System reported twice by its PlexHub",
         base([](EnterpriseBuilder& b) { b.member("RTEMS_PLXA", "SYSA1", "ENQP1"); }).sql(),
         "DoMxcfsysRow: Configuration Error: System SYSA1    occurs multiple times\n"},
        {"a System reported by two PlexHubs under two Enqplex names",
         base([](EnterpriseBuilder& b) { b.member("RTEMS_PLXB", "SYSA1", "ENQP2"); }).sql(),
         "DoMxcfsysRow: Configuration Error: System SYSA1    occurs in more than one Enqplex.  "
         "The Enqplexes are: ENQP1,    ENQP2 \n"},
        {"a MIM job on the first System only",
         base([](EnterpriseBuilder& b) { b.member("RTEMS_PLXA", "SYSA0", "ENQP1.MIMGR"); }).sql(),
         "DoMxcfsysRow: Configuration Error: System SYSA1    (in Enqplex ENQP1   ) specifies Enqueue "
         "management inconsistent with other Systems in this Enqplex."},
        {"an Enqplex name of nine characters",
         base([](EnterpriseBuilder& b) { b.member("RTEMS_PLXA", "SYSA0", "ENQPLEX12"); }).sql(),
         "DoMxcfsysRow: Configuration Error: System 'SYSA0   ' ENQPLEX name exceeds 8 characters "
         "(\"ENQPLEX12                       \")\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zrxtest::TraceRecorder trace("error");
        const Runs r = runAll(c.sql);
        expectAbandoned(r);
        EXPECT_EQ(trace.count(c.line.substr(c.line.find(": ") + 2)), 3u) << testing::PrintToString(trace.lines());
    }
}

TEST(ContradictoryConfiguration, RepeatedContentionRowsChangeNothing) {
    const Runs clean = runAll(base().sql());
    EnterpriseBuilder b = base();
    // The same task reported again by its PlexHub, and by its agent in
    // phase II as the PlexHub already did.
    b.summary("RTEMS_PLXA", {"SYSDSN", "PAY.MASTER", "JOBA", "", "SYSA1", 0, 0x21, 0});
    b.summary("RTEMS_PLXB", {"SPFEDIT", "SRC", "", "JOBY", "SYSB1", 0, 0x24, 12});
    b.task("RTEMS_SYSA1", {1, true, "JOBO", "SYSA1", 0, 0x25, 0, 0});
    const Runs r = runAll(b.sql());
    EXPECT_TRUE(sameRows(r.report.rows, clean.report.rows));
    EXPECT_TRUE(sameRows(r.payMaster.rows, clean.payMaster.rows));
    EXPECT_TRUE(sameRows(r.src.rows, clean.src.rows));
}

TEST(ContradictoryConfiguration, ContradictoryContentionRowsGiveRowsThatFollowTheRules) {
    struct Case {
        const char* name;
        std::function<void(EnterpriseBuilder&)> add;
    };
    const std::vector<Case> cases = {
        {"a job an owner to one PlexHub and a waiter to the other",
         [](EnterpriseBuilder& b) {
             b.summary("RTEMS_PLXB", {"SYSDSN", "PAY.MASTER", "", "JOBA", "SYSA1", 0, 0x21, 9});
         }},
        {"two exclusive owners of one resource",
         [](EnterpriseBuilder& b) {
             b.summary("RTEMS_PLXB", {"SYSDSN", "PAY.MASTER", "JOBZ", "", "SYSB1", 0, 0x26, 0});
         }},
        {"an agent that reports a task of another System",
         [](EnterpriseBuilder& b) { b.task("RTEMS_SYSA1", {1, false, "JOBQ", "SYSB9", 1, 0x27, 5, 0}); }},
        {"an agent whose resource has no task",
         [](EnterpriseBuilder& b) { b.resource("RTEMS_SYSA2", 7, "SPFEDIT", "SRC"); }},
        {"a task whose resource is missing",
         [](EnterpriseBuilder& b) { b.task("RTEMS_SYSA2", {9, true, "JOBM", "SYSA2", 0, 0x28, 0, 0}); }},
        {"a System listed with a second thru-node",
         [](EnterpriseBuilder& b) { b.agent("SYSA1:AGENT2", "RTEMS_ELSEWHERE"); }},
        {"a PlexHub row without a thru-node",
         [](EnterpriseBuilder& b) { b.node("PLXC:PLEXHUB", std::nullopt, zrxtest::plexHubAffinity, "Y"); }},
        {"a System row without a name",
         [](EnterpriseBuilder& b) { b.member("RTEMS_PLXB", std::nullopt, "ENQP1"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnterpriseBuilder b = base();
        c.add(b);
        const Runs r = runAll(b.sql());
        expectSound(r.report, false);
        expectSound(r.payMaster, true);
        expectSound(r.src, true);
    }
}

} // namespace
} // namespace reliability
