// The enterprise generator: consistent at every size up to the view's limits,
// deterministic and described exactly by describe(). (Its speed is a
// benchmark: bench/generator_speed.cpp.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "enterprise_checks.h"
#include "scenarios/generator.h"
#include "snapshot.h"

namespace scenarios::testing {
namespace {

using ::testing::ElementsAre;
using Row = std::vector<std::string>;

GeneratorOptions options(int enqplexes, int sysplexes, int systems, int resources, int tasks = 3,
                         uint64_t seed = 1) {
    GeneratorOptions o;
    o.enqplexes = enqplexes;
    o.sysplexes = sysplexes;
    o.systems = systems;
    o.resources = resources;
    o.tasks = tasks;
    o.seed = seed;
    return o;
}

// Loads the generated script, checks every rule, and checks that describe()
// tells what was loaded.
void expectConsistentAndDescribed(Snapshot& db, const GeneratorOptions& o) {
    ASSERT_EQ(db.run(generateEnterpriseSql(o)), "");
    analyse(db);
    expectConsistentEnterprise(db);
    const EnterpriseFigures f = describe(o);
    EXPECT_EQ(f.enqplexes, db.scalar("SELECT count(DISTINCT enqplex) FROM member"));
    EXPECT_EQ(f.plexhubs, db.scalar("SELECT count(*) FROM plexhub"));
    EXPECT_EQ(f.systems, db.scalar("SELECT count(*) FROM MXCFSYS"));
    EXPECT_EQ(f.mglblenqRows, db.scalar("SELECT count(*) FROM MGLBLENQ"));
    EXPECT_EQ(f.resrcRows, db.scalar("SELECT count(*) FROM ENQ_RESRC"));
    EXPECT_EQ(f.taskRows, db.scalar("SELECT count(*) FROM ENQ_TASKS"));
    EXPECT_EQ(f.enqplexes, o.enqplexes);
    EXPECT_EQ(f.plexhubs, o.enqplexes * o.sysplexes);
    EXPECT_EQ(f.systems, o.enqplexes * o.sysplexes * o.systems);
}

TEST(Generator, DefaultEnterpriseIsConsistent) {
    Snapshot db;
    expectConsistentAndDescribed(db, GeneratorOptions{});
}

TEST(Generator, LaysOutEnqplexesPlexHubsAndSystemsByItsRules) {
    Snapshot db;
    expectConsistentAndDescribed(db, options(4, 2, 4, 40));
    // The second Enqplex is MIM-managed, the last is "*DEFAULT".
    EXPECT_THAT(db.rows("SELECT enqplex, max(mimjob), count(DISTINCT plexhub), count(*)"
                        " FROM member GROUP BY enqplex ORDER BY min(rowid)"),
                ElementsAre(Row{"ENQPLEX1", "", "2", "8"}, Row{"ENQPLEX2", "MIMGR", "2", "8"},
                            Row{"ENQPLEX3", "", "2", "8"}, Row{"*DEFAULT", "", "2", "8"}));
    EXPECT_THAT(db.rows("SELECT quote(ENQPLEX), count(*) FROM MXCFSYS WHERE AT_NODE LIKE 'RTEMS_PLX4%'"
                        " GROUP BY 1 ORDER BY 1"),
                ElementsAre(Row{"''", "4"}, Row{"NULL", "4"}));
    EXPECT_THAT(db.rows("SELECT NODE, THRUNODE FROM INODESTS WHERE rowid <= 4"),
                ElementsAre(Row{"HUBTEMS:CMS", "HUBTEMS:CMS"}, Row{"PLX1A:PLEXHUB", "RTEMS_PLX1A"},
                            Row{"SYS1A01:AGENT", "RTEMS_SYS1A01"},
                            Row{"SYS1A02:AGENT", "RTEMS_SYS1A02"}));
    // Every seventh System's agent is offline; every fifth has a CICS agent.
    EXPECT_THAT(db.rows("SELECT group_concat(sysname, ' ') FROM agent WHERE online = 'N'"),
                ElementsAre(Row{"SYS1B03 SYS2B02 SYS3B01 SYS4A04"}));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM INODESTS WHERE NODE LIKE '%:CICSAGT'"), 6);
}

TEST(Generator, ContentionMixesTheCasesTheViewMustHandle) {
    Snapshot db;
    expectConsistentAndDescribed(db, options(3, 3, 3, 200));
    // Waiters whose Sysplex sees no owner while the true owner is on another
    // Sysplex of the Enqplex.
    EXPECT_GT(db.scalar("SELECT count(*) FROM MGLBLENQ g JOIN member w ON w.sysname = g.SYSNAME"
                        " WHERE g.WAITINGAS <> '' AND g.OWNTASKCT = 0 AND EXISTS (SELECT 1 FROM"
                        " truth o WHERE o.major = g.MAJORNAME AND o.minor = g.MINORNAME"
                        " AND o.enqplex = w.enqplex AND o.STATUS = 1 AND o.plexhub <> w.plexhub)"),
              0);
    // Waiters with the owner on the same Sysplex, exclusive and shared owners.
    EXPECT_GT(db.scalar("SELECT count(*) FROM MGLBLENQ WHERE WAITINGAS <> '' AND OWNTASKCT > 0"),
              0);
    EXPECT_GT(db.scalar("SELECT count(*) FROM (SELECT 1 FROM truth WHERE STATUS = 1 AND TYPE = 1"
                        " GROUP BY enqplex, major, minor HAVING count(*) > 1)"),
              0);
    EXPECT_GT(db.scalar("SELECT count(*) FROM truth WHERE STATUS = 1 AND TYPE = 0"), 0);
    // MIM holders in the MIM-managed Enqplex only.
    EXPECT_THAT(db.rows("SELECT DISTINCT enqplex, JOBNAME, ASID FROM truth WHERE ENQPFLAG = 128"),
                ElementsAre(Row{"ENQPLEX2", "MIMGR", "28"}));
    // Uncontended ENQs: one for every fifth resource in each Enqplex.
    EXPECT_EQ(db.scalar("SELECT count(*) FROM (SELECT 1 FROM truth GROUP BY enqplex, major, minor"
                        " HAVING sum(STATUS = 2) = 0)"),
              3 * 40);
    // One resource in four has the same name in every Enqplex.
    EXPECT_EQ(db.scalar("SELECT count(*) FROM (SELECT 1 FROM truth GROUP BY major, minor"
                        " HAVING count(DISTINCT enqplex) = 3)"),
              60);
    EXPECT_THAT(db.rows("SELECT DISTINCT major FROM truth ORDER BY 1"),
                ElementsAre(Row{"SPFEDIT"}, Row{"SYSDSN"}, Row{"SYSVSAM"}, Row{"SYSZVVDS"}));
}

TEST(Generator, AverageTasksPerResourceFollowsTheOption) {
    const EnterpriseFigures three = describe(options(1, 1, 8, 2000, 3));
    const EnterpriseFigures ten = describe(options(1, 1, 8, 2000, 10));
    const EnterpriseFigures two = describe(options(1, 1, 8, 2000, 2));
    // Uncontended ENQs add one task each for every fifth resource.
    EXPECT_EQ(two.taskRows, 2 * 2000 + 400);
    EXPECT_NEAR(double(three.taskRows - 400) / 2000, 3.0, 0.1);
    EXPECT_NEAR(double(ten.taskRows - 400) / 2000, 10.0, 0.3);
}

TEST(Generator, SameOptionsGiveTheSameTextByteForByte) {
    const GeneratorOptions o = options(3, 2, 3, 100, 4, 42);
    const std::string first = generateEnterpriseSql(o);
    EXPECT_EQ(first, generateEnterpriseSql(o));
    GeneratorOptions other = o;
    other.seed = 43;
    EXPECT_NE(first, generateEnterpriseSql(other));
    // The layout does not depend on the seed.
    auto layout = [](const std::string& text) {
        const size_t from = text.find("INSERT INTO INODESTS");
        return text.substr(from, text.find("INSERT INTO MGLBLENQ") - from);
    };
    EXPECT_EQ(layout(first), layout(generateEnterpriseSql(other)));
}

// Pins the random source and the text format: any platform or library
// version must produce exactly this.
TEST(Generator, SmallestEnterpriseIsTheSameTextEverywhere) {
    EXPECT_EQ(generateEnterpriseSql(options(1, 1, 2, 1, 2)),
              "-- Generated enterprise: --enqplexes 1 --sysplexes 1 --systems 2 --resources 1"
              " --tasks 2 --seed 1\n"
              "-- INSERT statements for the tables of enterprise.sql.\n"
              "INSERT INTO INODESTS VALUES\n"
              "('HUBTEMS:CMS','HUBTEMS:CMS','0000000000000000000000000000000000000000000','Y'),\n"
              "('PLX1A:PLEXHUB','RTEMS_PLX1A','1000000000000000000000000000000000000000000','Y'),\n"
              "('SYS1A01:AGENT','RTEMS_SYS1A01','0000000000000000000000002000000000000000000','Y'),\n"
              "('SYS1A02:AGENT','RTEMS_SYS1A02','0000000000000000000000002000000000000000000','Y');\n"
              "INSERT INTO MXCFSYS VALUES\n"
              "('RTEMS_PLX1A','SYS1A01',60,15,'ACTIVE','SP7.2.5','PLX1A:PLEXHUB','ENQPLEX1'),\n"
              "('RTEMS_PLX1A','SYS1A02',60,15,'ACTIVE','SP7.2.5','PLX1A:PLEXHUB','ENQPLEX1');\n"
              "INSERT INTO MGLBLENQ VALUES\n"
              "('RTEMS_PLX1A','SYSDSN','PAY.SHARED.F000000.MASTER',1,1,45,'SMFDMP16','','SYS1A01',"
              "0,0,315,0,'YES','PLX1A:PLEXHUB',0),\n"
              "('RTEMS_PLX1A','SYSDSN','PAY.SHARED.F000000.MASTER',1,1,45,'','INVUPD23','SYS1A02',"
              "0,0,421,45,'YES','PLX1A:PLEXHUB',0);\n"
              "INSERT INTO ENQ_RESRC VALUES\n"
              "('RTEMS_SYS1A01',1,'SYSDSN','PAY.SHARED.F000000.MASTER'),\n"
              "('RTEMS_SYS1A02',1,'SYSDSN','PAY.SHARED.F000000.MASTER');\n"
              "INSERT INTO ENQ_TASKS VALUES\n"
              "('RTEMS_SYS1A01',1,1,'SMFDMP16',0,0,315,'SYS1A01',0,0),\n"
              "('RTEMS_SYS1A02',1,2,'INVUPD23',0,0,421,'SYS1A02',45,0);\n");
}

TEST(Generator, EnterpriseAtTheViewsLimitsWithMoreThan10000Rows) {
    Snapshot db;
    const GeneratorOptions o = options(8, 8, 8, 500);
    expectConsistentAndDescribed(db, o);
    EXPECT_EQ(db.scalar("SELECT count(DISTINCT enqplex) FROM member"), 8);
    EXPECT_EQ(db.scalar("SELECT max(c) FROM (SELECT count(*) AS c FROM member GROUP BY enqplex)"),
              64);
    EXPECT_EQ(db.scalar("SELECT max(c) FROM (SELECT count(DISTINCT plexhub) AS c FROM member"
                        " GROUP BY enqplex)"),
              8);
    EXPECT_GT(describe(o).taskRows, 10000);
    EXPECT_GT(describe(o).mglblenqRows, 10000);
}

TEST(Generator, SixtyFourSystemsInOneSysplex) {
    Snapshot db;
    expectConsistentAndDescribed(db, options(1, 1, 64, 300, 5));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM member WHERE enqplex = 'ENQPLEX1'"), 64);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM agent WHERE online = 'N'"), 9);
}

TEST(Generator, NoContentionAtAll) {
    Snapshot db;
    expectConsistentAndDescribed(db, options(2, 1, 1, 0));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM MGLBLENQ") + db.scalar("SELECT count(*) FROM ENQ_TASKS"),
              0);
}

TEST(Generator, RejectsOptionsBeyondTheLimitsNamingTheOption) {
    auto message = [](const GeneratorOptions& o) -> std::string {
        try {
            describe(o);
        } catch (const std::invalid_argument& e) {
            EXPECT_THROW(generateEnterpriseSql(o), std::invalid_argument);
            return e.what();
        }
        return "accepted";
    };
    EXPECT_EQ(message(options(9, 1, 1, 1)), "enqplexes must be from 1 to 8, not 9");
    EXPECT_EQ(message(options(0, 1, 1, 1)), "enqplexes must be from 1 to 8, not 0");
    EXPECT_EQ(message(options(1, 9, 1, 1)), "sysplexes must be from 1 to 8, not 9");
    EXPECT_EQ(message(options(1, 8, 9, 1)),
              "systems must be from 1 to 8, not 9 (an Enqplex holds at most 64 Systems)");
    EXPECT_EQ(message(options(1, 1, 65, 1)),
              "systems must be from 1 to 64, not 65 (an Enqplex holds at most 64 Systems)");
    EXPECT_EQ(message(options(1, 1, 1, -1)), "resources must be from 0 to 100000, not -1");
    EXPECT_EQ(message(options(1, 1, 1, 1, 1)), "tasks must be from 2 to 64, not 1");
    EXPECT_EQ(message(options(1, 1, 1, 10000, 41)),
              "resources times tasks must be at most 400000, not 410000");
    EXPECT_EQ(message(options(1, 1, 64, 100000, 4)), "accepted");
}

} // namespace
} // namespace scenarios::testing
