// Writing rows as INSERT statements: quoting and batching survive a round
// trip through SQLite in the order written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "snapshot.h"
#include "sql_table_writer.h"

namespace scenarios::testing {
namespace {

using ::testing::ElementsAre;
using Row = std::vector<std::string>;

TEST(SqlString, DoublesEveryApostrophe) {
    std::string out;
    appendSqlString(out, "O'BRIEN''S '");
    EXPECT_EQ(out, "'O''BRIEN''''S '''");
    out.clear();
    appendSqlString(out, "");
    EXPECT_EQ(out, "''");
}

TEST(SqlTableWriter, BatchesRowsAndKeepsTheirOrderAndValues) {
    SqlTableWriter writer("ENQ_RESRC", 2);
    const char* minors[] = {"A'B", "", "PAY.PROD.MASTER", "x'';DROP TABLE ENQ_RESRC;--", "E"};
    int rib = 0;
    for (const char* minor : minors) {
        writer.beginRow();
        writer.text("NODE");
        writer.integer(++rib);
        if (rib == 2) writer.null();
        else writer.text("SYSDSN");
        writer.text(minor);
        writer.endRow();
    }
    const std::string script = writer.finish();
    EXPECT_EQ(script.substr(0, script.find('\n', script.find('\n') + 1) + 1),
              "INSERT INTO ENQ_RESRC VALUES\n('NODE',1,'SYSDSN','A''B'),\n");
    size_t statements = 0;
    for (size_t at = script.find("INSERT INTO"); at != std::string::npos;
         at = script.find("INSERT INTO", at + 1))
        ++statements;
    EXPECT_EQ(statements, 3u);
    Snapshot db;
    ASSERT_EQ(db.run(script), "");
    EXPECT_THAT(db.rows("SELECT RIB, quote(MAJOR_NAME), MINOR_NAME FROM ENQ_RESRC ORDER BY rowid"),
                ElementsAre(Row{"1", "'SYSDSN'", "A'B"}, Row{"2", "NULL", ""},
                            Row{"3", "'SYSDSN'", "PAY.PROD.MASTER"},
                            Row{"4", "'SYSDSN'", "x'';DROP TABLE ENQ_RESRC;--"},
                            Row{"5", "'SYSDSN'", "E"}));
    EXPECT_EQ(writer.finish(), "");
}

TEST(SqlTableWriter, WritesExtremeIntegersExactly) {
    SqlTableWriter writer("ENQ_TASKS");
    writer.beginRow();
    writer.text("N");
    writer.integer(-2147483648LL);
    writer.endRow();
    EXPECT_EQ(writer.finish(), "INSERT INTO ENQ_TASKS VALUES\n('N',-2147483648);\n");
}

} // namespace
} // namespace scenarios::testing
