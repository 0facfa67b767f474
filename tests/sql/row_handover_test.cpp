// A statement's rows after the first are handed over in the cells of the
// first: no allocation per row.
#include <atomic>
#include <cstdlib>
#include <new>

#include "sql_fixture.h"

namespace {
std::atomic<long> allocations{0};
} // namespace

// Counts the program's allocations; memory still comes from malloc.
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace sqltest {
namespace {

TEST_F(SqlTest, RowsAfterTheFirstAreHandedOverWithoutAllocating) {
    std::string script = "INSERT INTO MGLBLENQ (AT_NODE, MAJORNAME, MINORNAME, ASID, REPORT) VALUES ";
    for (int i = 0; i < 200; ++i) {
        script += (i ? ", " : "") + std::string("('N', 'SYSDSN', '") + std::string(static_cast<std::size_t>(i), 'M') +
                  "', " + std::to_string(i) + (i % 3 ? ", 'YES')" : ", NULL)");
    }
    load(script + ";");
    auto q = prepare("SELECT MGLBLENQ.MAJORNAME, MGLBLENQ.MINORNAME, MGLBLENQ.ASID, MGLBLENQ.REPORT "
                     "FROM VELDA.MGLBLENQ AT (\"N\")");
    ASSERT_TRUE(q);
    std::vector<Cell> cells;
    std::string error;
    ASSERT_EQ(q->next(cells, error), Query::Step::Row);
    const long before = allocations;
    int rows = 1;
    while (q->next(cells, error) == Query::Step::Row) ++rows;
    EXPECT_EQ(allocations - before, 0);
    EXPECT_EQ(rows, 200);
}

} // namespace
} // namespace sqltest
