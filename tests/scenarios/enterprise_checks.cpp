#include "enterprise_checks.h"

#include <gtest/gtest.h>

namespace scenarios::testing {

namespace {

struct Rule {
    const char* what;
    const char* violations; // counts the rows that break the rule
};

constexpr Rule rules[] = {
    {"node names fit 32 characters, affinities are 43, online is Y or N",
     "SELECT count(*) FROM INODESTS WHERE length(NODE) > 32 OR length(THRUNODE) > 32"
     " OR length(AFFINITIES) <> 43 OR Q7ONLINE NOT IN ('Y', 'N')"},
    {"every ENQ agent serves a System that a PlexHub reports",
     "SELECT count(*) FROM agent WHERE sysname NOT IN (SELECT sysname FROM member)"},
    {"every System reported has exactly one ENQ agent",
     "SELECT count(*) FROM member m WHERE (SELECT count(*) FROM agent a"
     " WHERE a.sysname = m.sysname) <> 1"},
    {"every System is reported once, so it is in one Enqplex",
     "SELECT count(*) FROM (SELECT SYS_NAME FROM MXCFSYS GROUP BY SYS_NAME HAVING count(*) > 1)"},
    {"MXCFSYS rows sit at the thru-node of an online PlexHub",
     "SELECT count(*) FROM MXCFSYS WHERE AT_NODE NOT IN (SELECT thru FROM plexhub)"},
    {"System, PlexHub, Enqplex and MIM job names fit 8 characters",
     "SELECT count(*) FROM member WHERE length(sysname) > 8 OR length(plexhub) > 8"
     " OR length(enqplex) > 8 OR length(mimjob) > 8"},
    {"an Enqplex is MIM-managed in all its Systems or in none",
     "SELECT count(*) FROM (SELECT enqplex FROM member GROUP BY enqplex"
     " HAVING min(mimjob = '') <> max(mimjob = ''))"},
    {"every PlexHub and every ENQ agent has a thru-node of its own",
     "SELECT count(*) FROM (SELECT thru FROM (SELECT thru FROM plexhub UNION ALL"
     " SELECT thru FROM agent) GROUP BY thru HAVING count(*) > 1)"},
    {"MGLBLENQ rows sit at a PlexHub's thru-node and name a System of its Sysplex",
     "SELECT count(*) FROM MGLBLENQ g WHERE NOT EXISTS (SELECT 1 FROM member m"
     " WHERE m.plexthru = g.AT_NODE AND m.sysname = g.SYSNAME)"},
    {"MGLBLENQ rows are well formed: widths, one job name, REPORT YES, origin the PlexHub",
     "SELECT count(*) FROM MGLBLENQ WHERE length(MAJORNAME) > 8 OR length(MINORNAME) > 255"
     " OR length(OWNINGAS) > 8 OR length(WAITINGAS) > 8 OR length(SYSNAME) > 8"
     " OR (OWNINGAS = '') = (WAITINGAS = '') OR REPORT <> 'YES'"
     " OR ORIGINNODE NOT IN (SELECT node FROM plexhub WHERE thru = AT_NODE)"},
    {"MGLBLENQ counts are those of the Sysplex's own rows",
     "SELECT count(*) FROM MGLBLENQ g JOIN (SELECT AT_NODE, MAJORNAME, MINORNAME,"
     " sum(OWNINGAS <> '') AS o, sum(WAITINGAS <> '') AS w, max(WAITTIME) AS mx FROM MGLBLENQ"
     " GROUP BY AT_NODE, MAJORNAME, MINORNAME) c ON c.AT_NODE = g.AT_NODE"
     " AND c.MAJORNAME = g.MAJORNAME AND c.MINORNAME = g.MINORNAME"
     " WHERE g.OWNTASKCT <> c.o OR g.WAITTASKCT <> c.w OR g.MAXWAITTM <> c.mx OR c.w = 0"},
    {"ENQ_RESRC rows sit at an ENQ agent's thru-node, one per RIB and per name, each with tasks",
     "SELECT (SELECT count(*) FROM ENQ_RESRC WHERE AT_NODE NOT IN (SELECT thru FROM agent))"
     " + (SELECT count(*) FROM (SELECT 1 FROM ENQ_RESRC GROUP BY AT_NODE, RIB HAVING count(*) > 1))"
     " + (SELECT count(*) FROM (SELECT 1 FROM ENQ_RESRC GROUP BY AT_NODE, MAJOR_NAME, MINOR_NAME"
     "    HAVING count(*) > 1))"
     " + (SELECT count(*) FROM ENQ_RESRC r WHERE NOT EXISTS (SELECT 1 FROM ENQ_TASKS t"
     "    WHERE t.AT_NODE = r.AT_NODE AND t.RIB = r.RIB))"},
    {"resource names fit their widths and carry no trailing blanks",
     "SELECT count(*) FROM ENQ_RESRC WHERE length(MAJOR_NAME) NOT BETWEEN 1 AND 8"
     " OR length(MINOR_NAME) NOT BETWEEN 1 AND 255"
     " OR length(MINOR_NAME) <> length(rtrim(MINOR_NAME))"},
    {"ENQ_TASKS rows belong to a resource and sit at the thru-node of their System's agent",
     "SELECT count(*) FROM ENQ_TASKS t WHERE NOT EXISTS (SELECT 1 FROM agent a"
     " WHERE a.thru = t.AT_NODE AND a.sysname = t.SYSNAME) OR NOT EXISTS (SELECT 1 FROM ENQ_RESRC r"
     " WHERE r.AT_NODE = t.AT_NODE AND r.RIB = t.RIB)"},
    {"tasks are well formed: owners wait 0, waiters more, flags 0 or 0x80",
     "SELECT count(*) FROM ENQ_TASKS WHERE length(JOBNAME) NOT BETWEEN 1 AND 8"
     " OR STATUS NOT IN (1, 2) OR TYPE NOT IN (0, 1) OR SWAPPED NOT IN (0, 1)"
     " OR ASID NOT BETWEEN 1 AND 65535 OR (STATUS = 1 AND WAIT_TIME <> 0)"
     " OR (STATUS = 2 AND WAIT_TIME <= 0) OR ENQPFLAG NOT IN (0, 128)"},
    {"every MGLBLENQ row is a task that the System's agent knows",
     "SELECT count(*) FROM MGLBLENQ g WHERE NOT EXISTS (SELECT 1 FROM truth t"
     " WHERE t.major = g.MAJORNAME AND t.minor = g.MINORNAME AND t.SYSNAME = g.SYSNAME"
     " AND t.plexthru = g.AT_NODE AND t.ASID = g.ASID"
     " AND t.JOBNAME = (CASE WHEN g.OWNINGAS <> '' THEN g.OWNINGAS ELSE g.WAITINGAS END)"
     " AND t.STATUS = (CASE WHEN g.OWNINGAS <> '' THEN 1 ELSE 2 END)"
     " AND t.TYPE = g.TYPE AND t.SWAPPED = g.SWAPPED AND t.WAIT_TIME = g.WAITTIME"
     " AND t.ENQPFLAG = g.ENQPFLAG)"},
    {"a Sysplex sees every task on its Systems of a resource it has a waiter for"
     " (under MIM: on the waiter's System)",
     "SELECT count(*) FROM truth t WHERE EXISTS (SELECT 1 FROM truth w"
     " WHERE w.major = t.major AND w.minor = t.minor AND w.enqplex = t.enqplex"
     " AND w.STATUS = 2 AND w.plexhub = t.plexhub AND (t.mimjob = '' OR w.SYSNAME = t.SYSNAME))"
     " AND NOT EXISTS (SELECT 1 FROM MGLBLENQ g WHERE g.AT_NODE = t.plexthru"
     " AND g.MAJORNAME = t.major AND g.MINORNAME = t.minor AND g.SYSNAME = t.SYSNAME"
     " AND g.ASID = t.ASID)"},
    {"a Sysplex sees nothing of a resource it has no waiter for (under MIM: on that System)",
     "SELECT count(*) FROM MGLBLENQ g JOIN member m ON m.sysname = g.SYSNAME"
     " WHERE NOT EXISTS (SELECT 1 FROM truth w WHERE w.major = g.MAJORNAME"
     " AND w.minor = g.MINORNAME AND w.enqplex = m.enqplex AND w.STATUS = 2"
     " AND w.plexhub = m.plexhub AND (m.mimjob = '' OR w.SYSNAME = g.SYSNAME))"},
    {"a task is on its resource once per address space",
     "SELECT count(*) FROM (SELECT 1 FROM truth GROUP BY enqplex, major, minor, SYSNAME, ASID"
     " HAVING count(*) > 1)"},
    {"an exclusive true owner is the only true owner",
     "SELECT count(*) FROM (SELECT 1 FROM truth WHERE STATUS = 1 AND ENQPFLAG = 0"
     " GROUP BY enqplex, major, minor HAVING sum(TYPE = 0) > 0 AND count(*) > 1)"},
    {"every resource that has a waiter has a true owner somewhere in its Enqplex",
     "SELECT count(*) FROM (SELECT 1 FROM truth GROUP BY enqplex, major, minor"
     " HAVING sum(STATUS = 2) > 0 AND sum(STATUS = 1 AND ENQPFLAG = 0) = 0)"},
    {"MIM holds a resource only in a MIM-managed Enqplex, under its MIM job, for a true owner"
     " on another System",
     "SELECT count(*) FROM truth h WHERE h.ENQPFLAG <> 0 AND (h.mimjob = ''"
     " OR h.JOBNAME <> h.mimjob OR h.STATUS <> 1 OR NOT EXISTS (SELECT 1 FROM truth o"
     " WHERE o.major = h.major AND o.minor = h.minor AND o.enqplex = h.enqplex"
     " AND o.STATUS = 1 AND o.ENQPFLAG = 0 AND o.SYSNAME <> h.SYSNAME))"},
};

} // namespace

void analyse(Snapshot& db) {
    ASSERT_EQ(db.run(R"(
CREATE TEMP TABLE plexhub AS
  SELECT substr(substr(NODE, 1, instr(NODE || ':', ':') - 1), 1, 8) AS name,
         NODE AS node, THRUNODE AS thru
  FROM INODESTS WHERE AFFINITIES LIKE '10000000%' AND Q7ONLINE = 'Y';
CREATE TEMP TABLE agent AS
  SELECT substr(substr(NODE, 1, instr(NODE || ':', ':') - 1), 1, 8) AS sysname,
         NODE AS node, THRUNODE AS thru, Q7ONLINE AS online
  FROM INODESTS
  WHERE substr(AFFINITIES, 25, 1) = '2' AND AFFINITIES NOT LIKE '10000000%';
CREATE TEMP TABLE member AS
  SELECT m.SYS_NAME AS sysname, p.name AS plexhub, p.thru AS plexthru,
         CASE WHEN coalesce(m.ENQPLEX, '') = '' OR substr(m.ENQPLEX, 1, 1) = '.'
              THEN '*DEFAULT'
              ELSE substr(m.ENQPLEX, 1, instr(m.ENQPLEX || '.', '.') - 1) END AS enqplex,
         CASE WHEN instr(coalesce(m.ENQPLEX, ''), '.') > 0
              THEN substr(m.ENQPLEX, instr(m.ENQPLEX, '.') + 1) ELSE '' END AS mimjob
  FROM MXCFSYS m JOIN plexhub p ON p.thru = m.AT_NODE;
CREATE TEMP TABLE truth AS
  SELECT t.*, r.MAJOR_NAME AS major, r.MINOR_NAME AS minor,
         m.plexhub, m.plexthru, m.enqplex, m.mimjob
  FROM ENQ_TASKS t JOIN ENQ_RESRC r ON r.AT_NODE = t.AT_NODE AND r.RIB = t.RIB
  LEFT JOIN member m ON m.sysname = t.SYSNAME;
CREATE INDEX temp.truth_resource ON truth (major, minor);
CREATE INDEX temp.member_system ON member (sysname);
CREATE INDEX temp.agent_thru ON agent (thru);
)"),
              "");
}

void expectConsistentEnterprise(Snapshot& db) {
    for (const Rule& rule : rules) EXPECT_EQ(db.scalar(rule.violations), 0) << rule.what;
}

} // namespace scenarios::testing
