// describe() tells how many resources and tasks a report on a generated
// enterprise would meet, counted here from the agents' own tables.
#include <gtest/gtest.h>

#include "enterprise_checks.h"
#include "scenarios/generator.h"
#include "snapshot.h"

namespace scenarios::testing {
namespace {

TEST(ReportFigures, ContendedResourcesAndTheirTasksAsTheAgentsHoldThem) {
    for (const auto& [enqplexes, sysplexes, resources, tasks] :
         {std::tuple{1, 1, 30, 2}, std::tuple{3, 2, 40, 5}, std::tuple{8, 2, 12, 3}}) {
        GeneratorOptions o;
        o.enqplexes = enqplexes;
        o.sysplexes = sysplexes;
        o.resources = resources;
        o.tasks = tasks;
        Snapshot db;
        ASSERT_EQ(db.run(generateEnterpriseSql(o)), "");
        analyse(db);
        const std::string contended = "SELECT enqplex, major, minor FROM truth GROUP BY 1, 2, 3 HAVING max(STATUS = 2)";
        const EnterpriseFigures f = describe(o);
        EXPECT_EQ(f.contendedResources, db.scalar("SELECT count(*) FROM (" + contended + ")"));
        EXPECT_EQ(f.contendedTasks, db.scalar("SELECT count(*) FROM truth WHERE (enqplex, major, minor) IN (" +
                                              contended + ")"));
        EXPECT_EQ(f.contendedResources, static_cast<long>(enqplexes) * resources);
    }
}

} // namespace
} // namespace scenarios::testing
