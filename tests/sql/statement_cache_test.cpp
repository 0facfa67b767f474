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

TEST_F(SqlTest, CacheStaysRightAcrossManyTextsAndCopiesInUse) {
    StatementCache cache(snapshot->db(), 2);
    std::string error;
    // Two copies of one text in use at once, both kept when given back.
    auto a = cache.take("SELECT 1", error);
    auto b = cache.take("SELECT 1", error);
    ASSERT_TRUE(a && b);
    cache.giveBack(std::move(a));
    cache.giveBack(std::move(b));
    EXPECT_EQ(cache.kept(), 2u);
    cache.giveBack(cache.take("SELECT 1", error));
    cache.giveBack(cache.take("SELECT 1", error));
    EXPECT_EQ(cache.prepared(), 2u);

    // Many texts through a small cache: only the last two are kept.
    for (int i = 2; i <= 40; ++i) cache.giveBack(cache.take("SELECT " + std::to_string(i), error));
    EXPECT_EQ(cache.kept(), 2u);
    const std::size_t prepared = cache.prepared();
    auto last = cache.take("SELECT 40", error);
    ASSERT_TRUE(last);
    EXPECT_EQ(cache.prepared(), prepared);
    ASSERT_EQ(sqlite3_step(last->statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(last->statement, 0), 40);
    cache.giveBack(std::move(last));
    auto first = cache.take("SELECT 1", error);
    ASSERT_TRUE(first);
    EXPECT_EQ(cache.prepared(), prepared + 1);
    ASSERT_EQ(sqlite3_step(first->statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(first->statement, 0), 1);
}

} // namespace
} // namespace sqltest
