// The demo enterprise: it loads, it is consistent, and it holds every case
// that the README walks through.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "enterprise_checks.h"
#include "scenarios/texts.h"
#include "snapshot.h"

namespace scenarios::testing {
namespace {

using ::testing::ElementsAre;
using Row = std::vector<std::string>;

class DemoEnterprise : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(db.run(demoEnterpriseSql()), "");
        analyse(db);
    }
    Snapshot db;
};

TEST(DemoText, IsCompiledFromTheScriptsAsTheyStand) {
    EXPECT_EQ(demoEnterpriseSql(), readFile(ZRX_DEMO_SCRIPT));
}

TEST(DemoText, HoldsOnlyInsertsAndComments) {
    const std::string_view text = demoEnterpriseSql();
    size_t statements = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line.starts_with("--")) continue;
        EXPECT_TRUE(line.starts_with("INSERT INTO ")) << line;
        ++statements;
    }
    EXPECT_EQ(statements, 93u);
}

TEST_F(DemoEnterprise, IsConsistent) { expectConsistentEnterprise(db); }

TEST_F(DemoEnterprise, HasThreeEnqplexesOnFivePlexHubs) {
    EXPECT_THAT(db.rows("SELECT enqplex, group_concat(plexhub, ' '), max(mimjob) FROM"
                        " (SELECT DISTINCT enqplex, plexhub, mimjob FROM member ORDER BY plexhub)"
                        " GROUP BY enqplex ORDER BY enqplex"),
                ElementsAre(Row{"*DEFAULT", "DEVPLX TESTPLX", ""}, Row{"MIMPLEX", "CICSPLX", "MIMGR"},
                            Row{"PRODENQ", "PRODPLX1 PRODPLX2", ""}));
}

TEST_F(DemoEnterprise, DefaultMembersNameNoEnqplexBlankOrNull) {
    EXPECT_THAT(db.rows("SELECT m.SYS_NAME, quote(m.ENQPLEX) FROM MXCFSYS m JOIN member s"
                        " ON s.sysname = m.SYS_NAME WHERE s.enqplex = '*DEFAULT' ORDER BY 1"),
                ElementsAre(Row{"DEV1", "''"}, Row{"TSTA", "''"}, Row{"TSTB", "NULL"}));
}

// Case 1 and case 9: a waiter whose Sysplex shows no owner, while the
// exclusive owner sits on another Sysplex of the Enqplex, unseen by any
// PlexHub.
TEST_F(DemoEnterprise, WaitersWhoseOwnerOnlyTheOtherSysplexsSystemsKnow) {
    EXPECT_THAT(
        db.rows("SELECT g.WAITINGAS, g.SYSNAME, o.JOBNAME, o.SYSNAME, o.plexhub FROM MGLBLENQ g"
                " JOIN member w ON w.sysname = g.SYSNAME"
                " JOIN truth o ON o.major = g.MAJORNAME AND o.minor = g.MINORNAME"
                "  AND o.enqplex = w.enqplex AND o.STATUS = 1 AND o.TYPE = 0 AND o.ENQPFLAG = 0"
                " WHERE g.WAITINGAS <> '' AND w.mimjob = '' AND o.plexhub <> w.plexhub"
                "  AND NOT EXISTS (SELECT 1 FROM MGLBLENQ x WHERE x.MAJORNAME = g.MAJORNAME"
                "   AND x.MINORNAME = g.MINORNAME AND x.OWNINGAS <> '')"
                "  AND EXISTS (SELECT 1 FROM agent a WHERE a.sysname = o.SYSNAME AND a.online = 'Y')"
                " ORDER BY g.rowid"),
        ElementsAre(Row{"GLPOST", "PRDC", "PAYRL01", "PRDA", "PRODPLX1"},
                    Row{"HRBENUPD", "PRDD", "PAYRL01", "PRDA", "PRODPLX1"},
                    Row{"TSTLOAD", "TSTB", "DEVCOPY", "DEV1", "DEVPLX"}));
}

// Case 5 and case 6: MIM's holder, flagged 0x80, and the true owner on the
// other System, once unseen and once seen by the PlexHub.
TEST_F(DemoEnterprise, MimHoldsResourcesForTrueOwnersOnTheOtherSystem) {
    EXPECT_THAT(
        db.rows("SELECT g.MINORNAME, g.OWNINGAS, g.SYSNAME, g.ENQPFLAG, o.JOBNAME, o.SYSNAME,"
                " EXISTS (SELECT 1 FROM MGLBLENQ y WHERE y.MAJORNAME = o.major"
                "  AND y.MINORNAME = o.minor AND y.OWNINGAS = o.JOBNAME)"
                " FROM MGLBLENQ g JOIN member m ON m.sysname = g.SYSNAME"
                " JOIN truth o ON o.major = g.MAJORNAME AND o.minor = g.MINORNAME"
                "  AND o.enqplex = m.enqplex AND o.STATUS = 1 AND o.ENQPFLAG = 0"
                " WHERE (g.ENQPFLAG & 128) <> 0 ORDER BY g.rowid"),
        ElementsAre(Row{"CICS.PROD.DFHCSD", "MIMGR", "CICA", "128", "CSDUPDT", "CICB", "0"},
                    Row{"AR.PROD.INVOICE.KSDS", "MIMGR", "CICB", "128", "ARNIGHT", "CICA", "1"}));
}

// Case 3: shared owners on both Sysplexes, one of them unseen by its PlexHub.
TEST_F(DemoEnterprise, SharedOwnersOnTwoSysplexes) {
    EXPECT_THAT(db.rows("SELECT minor, group_concat(JOBNAME || '@' || SYSNAME, ' ') FROM"
                        " (SELECT * FROM truth WHERE STATUS = 1 AND TYPE = 1 ORDER BY SYSNAME)"
                        " GROUP BY enqplex, major, minor HAVING count(*) > 1"),
                ElementsAre(Row{"PAY.PROD.TAXRATES", "PAYRPT1@PRDA PAYRPT2@PRDD"}));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM MGLBLENQ WHERE OWNINGAS = 'PAYRPT2'"), 0);
}

TEST_F(DemoEnterprise, SeveralWaitersWithDifferentWaitTimes) {
    EXPECT_THAT(db.rows("SELECT minor, group_concat(WAIT_TIME, ' ') FROM"
                        " (SELECT * FROM truth WHERE STATUS = 2 ORDER BY WAIT_TIME DESC)"
                        " GROUP BY enqplex, major, minor HAVING count(*) > 1 ORDER BY minor"),
                ElementsAre(Row{"AR.PROD.INVOICE.KSDS", "118 15"},
                            Row{"PAY.PROD.EMPLOYEE.MASTER", "342 87"},
                            Row{"SYS1.VVDS.VTST001", "31 12"}));
}

// Case 4: PRDE's agent is offline and PRDE alone owns what GLRECON waits for.
TEST_F(DemoEnterprise, OwnerOnTheSystemWhoseAgentIsOffline) {
    EXPECT_THAT(db.rows("SELECT a.sysname, m.enqplex FROM agent a JOIN member m USING (sysname)"
                        " WHERE a.online <> 'Y'"),
                ElementsAre(Row{"PRDE", "PRODENQ"}));
    EXPECT_THAT(db.rows("SELECT w.JOBNAME, o.JOBNAME, o.SYSNAME FROM truth w JOIN truth o"
                        " ON o.major = w.major AND o.minor = w.minor AND o.STATUS = 1"
                        " WHERE w.STATUS = 2 AND o.SYSNAME = 'PRDE'"),
                ElementsAre(Row{"GLRECON", "GLARCH", "PRDE"}));
}

TEST_F(DemoEnterprise, ExclusiveAndSharedOwnersAndAllFourMajors) {
    EXPECT_THAT(db.rows("SELECT TYPE, count(*) FROM truth WHERE STATUS = 1 AND ENQPFLAG = 0"
                        " GROUP BY TYPE ORDER BY TYPE"),
                ElementsAre(Row{"0", "9"}, Row{"1", "3"}));
    EXPECT_THAT(db.rows("SELECT DISTINCT major FROM truth ORDER BY major"),
                ElementsAre(Row{"SPFEDIT"}, Row{"SYSDSN"}, Row{"SYSIEFSD"}, Row{"SYSZVVDS"}));
}

TEST_F(DemoEnterprise, SpfeditMinorIsTheDataSetPaddedTo44ThenTheMember) {
    EXPECT_THAT(db.rows("SELECT rtrim(substr(MINOR_NAME, 1, 44)), substr(MINOR_NAME, 45),"
                        " length(MINOR_NAME) FROM ENQ_RESRC WHERE MAJOR_NAME = 'SPFEDIT'"
                        " GROUP BY MINOR_NAME"),
                ElementsAre(Row{"PAY.PROD.SOURCE", "PAYCALC", "51"}));
}

// The CICS agent on CICA carries CICA's name but serves no ENQ tables; the
// hub itself is neither PlexHub nor agent.
TEST_F(DemoEnterprise, OtherNodesAreNeitherPlexHubsNorEnqAgents) {
    EXPECT_THAT(db.rows("SELECT NODE FROM INODESTS WHERE NODE NOT IN (SELECT node FROM plexhub)"
                        " AND NODE NOT IN (SELECT node FROM agent)"),
                ElementsAre(Row{"HUBTEMS:CMS"}, Row{"CICA:CICSAGT"}));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM agent"), 10);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM plexhub"), 5);
}

// ENQs without a waiter are known to their agent but to no PlexHub.
TEST_F(DemoEnterprise, UncontendedEnqsStayWithTheirAgents) {
    EXPECT_THAT(db.rows("SELECT JOBNAME, minor FROM truth t WHERE NOT EXISTS (SELECT 1 FROM truth"
                        " w WHERE w.major = t.major AND w.minor = t.minor AND w.STATUS = 2)"
                        " ORDER BY minor"),
                ElementsAre(Row{"GLPOST", "GL.PROD.JOURNAL"}, Row{"PAYRL01", "PAY.PROD.PAYSLIPS"}));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM MGLBLENQ WHERE MINORNAME IN"
                        " ('GL.PROD.JOURNAL', 'PAY.PROD.PAYSLIPS')"),
              0);
}

} // namespace
} // namespace scenarios::testing
