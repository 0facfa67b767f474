// Values that a column's declared type cannot deliver are found, each named
// by table, row, column and value; values at the edges of a type pass.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "sql/schema.h"
#include "sql/snapshot.h"
#include "sql/value_check.h"

namespace {

using host::sql::Snapshot;

std::vector<std::string> problemsOf(sqlite3* db, std::size_t perTable = 0) {
    std::vector<host::sql::ValueProblem> problems;
    std::string error;
    EXPECT_TRUE(host::sql::checkValues(db, perTable, problems, error)) << error;
    std::vector<std::string> lines;
    for (const auto& p : problems) lines.push_back(p.line());
    return lines;
}

std::vector<std::string> problemsAfter(const std::string& inserts, std::size_t perTable = 0) {
    std::string error;
    auto snapshot = Snapshot::createInMemory(error);
    EXPECT_TRUE(snapshot && snapshot->exec(inserts, error)) << error;
    return snapshot ? problemsOf(snapshot->db(), perTable) : std::vector<std::string>{};
}

// A task row of ENQ_TASKS with TYPE, ASID and WAIT_TIME as given.
std::string task(const std::string& type, const std::string& asid, const std::string& wait) {
    return "INSERT INTO ENQ_TASKS (AT_NODE, RIB, TYPE, ASID, WAIT_TIME) VALUES ('N', 1, " + type + ", " + asid + ", " +
           wait + ");";
}

TEST(ValueCheck, ValuesAtTheEdgesOfEachTypePass) {
    EXPECT_EQ(problemsAfter(task("-128", "0", "-2147483648") + task("255", "65535", "2147483647") +
                            "INSERT INTO INODESTS (NODE, THRUNODE) VALUES ('" + std::string(32, 'N') + "', NULL);" +
                            "INSERT INTO MXCFSYS (AT_NODE, ENQPLEX) VALUES ('N', '" + std::string(32, 'E') + "');"),
              std::vector<std::string>{});
}

TEST(ValueCheck, EachValueBeyondItsTypeIsNamed) {
    const std::vector<std::string> expected = {
        "INODESTS row 1, column THRUNODE: '" + std::string(40, 'T') + "' is 40 bytes long, more than CHAR(32) holds",
        "MXCFSYS row 1, column ENQPLEX: '" + std::string(40, 'E') + "...' is 10000 bytes long, more than CHAR(32) holds",
        "MGLBLENQ row 1, column SWAPPED: 'no' is text, in an INT1 column",
        "MGLBLENQ row 1, column TYPE: X'0102' is a blob, in an INT1 column",
        "MGLBLENQ row 1, column WAITTIME: 1.5 is not an integer, in an INT4 column",
        "ENQ_TASKS row 1, column TYPE: 300 is outside the INT1 range -128..255",
        "ENQ_TASKS row 2, column TYPE: -129 is outside the INT1 range -128..255",
        "ENQ_TASKS row 2, column ASID: -1 is outside the INT2 range 0..65535",
        "ENQ_TASKS row 3, column ASID: 70000 is outside the INT2 range 0..65535",
        "ENQ_TASKS row 3, column WAIT_TIME: -2147483649 is outside the INT4 range -2147483648..2147483647",
        "ENQ_TASKS row 4, column WAIT_TIME: 2147483648 is outside the INT4 range -2147483648..2147483647",
    };
    EXPECT_EQ(problemsAfter("INSERT INTO INODESTS (NODE, THRUNODE) VALUES ('A', '" + std::string(40, 'T') + "');"
                            "INSERT INTO MXCFSYS (AT_NODE, ENQPLEX) VALUES ('N', printf('%.10000c', 'E'));"
                            "INSERT INTO MGLBLENQ (AT_NODE, SWAPPED, TYPE, WAITTIME) VALUES ('N', 'no', X'0102', 1.5);" +
                            task("300", "1", "0") + task("-129", "-1", "0") + task("0", "70000", "-2147483649") +
                            task("0", "1", "2147483648")),
              expected);
}

TEST(ValueCheck, NamesShowTheirBytesAndStopAtTheLimitPerTable) {
    const std::string tasks = task("300", "1", "0") + task("300", "1", "0") + task("300", "1", "0");
    EXPECT_EQ(problemsAfter(tasks, 2).size(), 2u);
    EXPECT_EQ(problemsAfter(tasks, 0).size(), 3u);
    EXPECT_EQ(problemsAfter("INSERT INTO MGLBLENQ (AT_NODE, MAJORNAME) VALUES ('N', 'SYS' || char(10) || "
                            "'\\' || CAST(X'00FF' AS TEXT) || 'XXXX');"),
              std::vector<std::string>{"MGLBLENQ row 1, column MAJORNAME: 'SYS\\x0A\\x5C\\x00\\xFFXXXX' is 11 bytes "
                                       "long, more than CHAR(8) holds"});
}

TEST(ValueCheck, NullIsRefusedWhereTheSchemaSaysNotNull) {
    // A file whose producer left out NOT NULL: the types match, so it opens.
    std::string schema(host::sql::schemaText());
    for (std::size_t at; (at = schema.find(" NOT NULL")) != std::string::npos;) schema.erase(at, 9);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, (schema + "INSERT INTO ENQ_RESRC (AT_NODE, RIB) VALUES (NULL, NULL);"
                                         "INSERT INTO ENQ_TASKS (AT_NODE, RIB, STATUS) VALUES ('N', 1, NULL);")
                                    .c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(problemsOf(db), (std::vector<std::string>{
                                  "ENQ_RESRC row 1, column AT_NODE: NULL is NULL, where the schema says NOT NULL",
                                  "ENQ_RESRC row 1, column RIB: NULL is NULL, where the schema says NOT NULL",
                              }));
    sqlite3_close(db);
}

} // namespace
