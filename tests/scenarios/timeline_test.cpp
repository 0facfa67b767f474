// The timeline: an enterprise that changes from one snapshot to the next the
// way a real one does, consistent at every moment, within the view's limits,
// and the same for the same seed.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "enterprise_checks.h"
#include "scenarios/timeline.h"
#include "snapshot.h"

namespace scenarios::testing {
namespace {

GeneratorOptions shape(int enqplexes, int resources, int tasks, uint64_t seed) {
    GeneratorOptions o;
    o.enqplexes = enqplexes;
    o.sysplexes = 2;
    o.systems = 3;
    o.resources = resources;
    o.tasks = tasks;
    o.seed = seed;
    return o;
}

// Each waiting task of a moment (Enqplex, resource, System, job) with its
// wait, and the holders of each resource.
struct Moment {
    std::map<std::tuple<std::string, std::string, std::string, std::string>, long long> waits;
    std::map<std::string, std::set<std::string>> holders; // "enqplex major minor" -> "job@system"
};

Moment momentOf(const std::string& script) {
    Snapshot db;
    EXPECT_EQ(db.run(script), "");
    analyse(db);
    expectConsistentEnterprise(db);
    Moment m;
    for (const auto& r : db.rows("SELECT enqplex, major || ' ' || minor, SYSNAME, JOBNAME, WAIT_TIME, STATUS FROM truth "
                                 "WHERE (enqplex, major, minor) IN (SELECT enqplex, major, minor FROM truth "
                                 "WHERE STATUS = 2)")) {
        if (r[5] == "2") m.waits[{r[0], r[1], r[2], r[3]}] = std::stoll(r[4]);
        else if (r[3] != "MIMGR") m.holders[r[0] + " " + r[1]].insert(r[3] + "@" + r[2]);
    }
    return m;
}

TEST(Timeline, TheSameSeedGivesTheSameSnapshots) {
    Timeline a(shape(2, 20, 3, 5)), b(shape(2, 20, 3, 5)), c(shape(2, 20, 3, 6));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(a.script("2026-12-10T08:00:00Z"), b.script("2026-12-10T08:00:00Z"));
        a.advance(60);
        b.advance(60);
    }
    EXPECT_NE(a.script("2026-12-10T08:00:00Z"), c.script("2026-12-10T08:00:00Z"));
    EXPECT_NE(a.script("2026-12-10T08:00:00Z").find("INSERT INTO CAPTURE (TAKEN_AT) VALUES ('2026-12-10T08:00:00Z');"),
              std::string::npos);
}

TEST(Timeline, WaitsGrowByTheStepMoveToOtherHoldersStartAndEnd) {
    Timeline timeline(shape(3, 15, 4, 11));
    Moment before = momentOf(timeline.script("2026-12-10T08:00:00Z"));
    long grown = 0, started = 0, ended = 0, handedOver = 0, resourcesStarted = 0, resourcesFreed = 0;
    for (int i = 0; i < 25; ++i) {
        timeline.advance(30);
        const Moment after = momentOf(timeline.script("2026-12-10T08:00:00Z"));
        for (const auto& [task, wait] : after.waits) {
            auto was = before.waits.find(task);
            if (was == before.waits.end()) {
                ++started;
                EXPECT_LE(wait, 30 + 3600) << "a new wait began within the step";
                continue;
            }
            // A task still waiting waited the whole step more.
            EXPECT_EQ(wait, was->second + 30);
            ++grown;
        }
        for (const auto& [task, wait] : before.waits) ended += after.waits.count(task) == 0;
        for (const auto& [resource, holders] : after.holders) {
            auto was = before.holders.find(resource);
            if (was == before.holders.end()) ++resourcesStarted;
            else if (was->second != holders) ++handedOver;
        }
        for (const auto& [resource, holders] : before.holders) resourcesFreed += after.holders.count(resource) == 0;
        before = after;
    }
    EXPECT_GT(grown, 100);
    EXPECT_GT(started, 20);
    EXPECT_GT(ended, 20);
    EXPECT_GT(handedOver, 5);
    EXPECT_GT(resourcesStarted, 5);
    EXPECT_GT(resourcesFreed, 5);
}

TEST(Timeline, NeverGrowsPastTheViewsLimits) {
    // 8 x 600 resources of 12 tasks would be far beyond the 10000 rows the
    // view collects: the timeline stops short of them, and stays there.
    Timeline timeline(shape(8, 600, 12, 3));
    for (int i = 0; i < 30; ++i) {
        EXPECT_LE(timeline.contendedResources(), 4000);
        EXPECT_LE(timeline.contendedResources() + timeline.contendedTasks(), 9000);
        EXPECT_GT(timeline.contendedResources() + timeline.contendedTasks(), 6000) << "moment " << i;
        timeline.advance(600);
    }
    Snapshot db;
    ASSERT_EQ(db.run(timeline.script("2026-12-10T08:00:00Z")), "");
    analyse(db);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM (SELECT DISTINCT enqplex, major, minor FROM truth WHERE STATUS = 2)"),
              timeline.contendedResources());
}

TEST(Timeline, RefusesOptionsBeyondTheLimits) {
    GeneratorOptions o = shape(2, 10, 3, 1);
    o.tasks = 99;
    EXPECT_THROW(Timeline{o}, std::invalid_argument);
    Timeline t(shape(1, 2, 2, 1));
    EXPECT_THROW(t.advance(0), std::invalid_argument);
}

} // namespace
} // namespace scenarios::testing
