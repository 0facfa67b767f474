// Prepared statements are kept by their text and lent to one query at a time.
#include <sqlite3.h>

#include "enterprise_fixture.h"
#include "sql/statement_cache.h"

namespace sqltest {
namespace {

using host::sql::StatementCache;

std::size_t preparedSoFar(Snapshot& s) { return s.statements().prepared(); }

TEST_F(EnterpriseTest, QueriesOfOneShapeShareAStatementButNeverAtOnce) {
    const std::string a = detailStatement("SYSA:THRU", {{"SPFEDIT", "USER.CNTL"}, {"SYSIEFSD", "Q4"}});
    const std::string b = detailStatement("SYSB:THRU", {{"SYSDSN", "PROD.LOAD"}, {"NONE", "X"}});
    std::vector<Row> aRows = rows(a), bRows = rows(b);
    ASSERT_EQ(aRows.size(), 3u);
    ASSERT_EQ(bRows.size(), 1u);

    // Ended queries lend their statement to the next of their shape.
    const std::size_t before = preparedSoFar(*snapshot);
    EXPECT_EQ(rows(b), bRows);
    EXPECT_EQ(rows(a), aRows);
    EXPECT_EQ(preparedSoFar(*snapshot), before);

    // Two open at once: two statements, each with its own values.
    auto first = prepare(a);
    auto second = prepare(b);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(preparedSoFar(*snapshot), before + 1);
    std::vector<Cell> cells;
    std::string error;
    std::vector<Row> interleavedA, interleavedB;
    for (int i = 0; i < 4; ++i) {
        if (first->next(cells, error) == Query::Step::Row) interleavedA.push_back(texts(cells));
        if (second->next(cells, error) == Query::Step::Row) interleavedB.push_back(texts(cells));
    }
    EXPECT_EQ(interleavedA, aRows);
    EXPECT_EQ(interleavedB, bRows);
}

TEST_F(SqlTest, CacheKeepsItsCapacityAndGivesBackStatementsReset) {
    StatementCache cache(snapshot->db(), 2);
    std::string error;
    auto one = cache.take("SELECT ?1", error);
    ASSERT_TRUE(one) << error;
    sqlite3_bind_int(one->statement, 1, 42);
    ASSERT_EQ(sqlite3_step(one->statement), SQLITE_ROW);
    cache.giveBack(std::move(one));

    auto again = cache.take("SELECT ?1", error);
    ASSERT_TRUE(again);
    EXPECT_EQ(cache.prepared(), 1u);
    EXPECT_EQ(sqlite3_stmt_busy(again->statement), 0) << "no read left open";
    ASSERT_EQ(sqlite3_step(again->statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_type(again->statement, 0), SQLITE_NULL) << "no value left bound";
    cache.giveBack(std::move(again));

    for (const char* text : {"SELECT 2", "SELECT 3"}) cache.giveBack(cache.take(text, error));
    EXPECT_EQ(cache.kept(), 2u);
    EXPECT_EQ(cache.prepared(), 3u);
    cache.giveBack(cache.take("SELECT 3", error));
    cache.giveBack(cache.take("SELECT ?1", error));
    EXPECT_EQ(cache.prepared(), 4u) << "the statement given back longest ago went first";

    EXPECT_FALSE(cache.take("SELECT FROM", error));
    EXPECT_NE(error.find("syntax error"), std::string::npos) << error;
}

} // namespace
} // namespace sqltest
