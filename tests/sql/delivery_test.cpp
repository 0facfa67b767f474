// Values as the output SQLDA receives them.
#include "sql_fixture.h"

namespace sqltest {
namespace {

class DeliveryTest : public SqlTest {
protected:
    std::vector<Row> tasks() {
        return rows("SELECT ENQ_TASKS.STATUS, ENQ_TASKS.JOBNAME, ENQ_TASKS.SWAPPED, ENQ_TASKS.ASID, "
                    "ENQ_TASKS.SYSNAME FROM VELDA.ENQ_TASKS AT (\"N\")");
    }
};

TEST_F(DeliveryTest, NullsAreFlaggedWithoutBytesInEveryColumnType) {
    load("INSERT INTO ENQ_TASKS (AT_NODE, RIB) VALUES ('N', 1);");
    EXPECT_EQ(tasks(), (std::vector<Row>{{"<null>", "<null>", "<null>", "<null>", "<null>"}}));
}

TEST_F(DeliveryTest, CharIsBlankPaddedAndALongerValueComesWhole) {
    load("INSERT INTO ENQ_TASKS VALUES ('N', 1, 1, 'J', 0, 0, 0, 'SYSTEMNAME11', 0, 0),"
         " ('N', 2, 1, 'AB  ', 0, 0, 0, '', 0, 0), ('N', 3, 1, 'EIGHTCHR', 0, 0, 0, 'S', 0, 0);");
    const auto r = tasks();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][1], "J       ");
    EXPECT_EQ(r[0][4], "SYSTEMNAME11");
    EXPECT_EQ(r[1][1], "AB      ");
    EXPECT_EQ(r[1][4], "        ");
    EXPECT_EQ(r[2][1], "EIGHTCHR");
}

TEST_F(DeliveryTest, IntegersAreLittleEndianTruncatedToTheirWidth) {
    load("INSERT INTO ENQ_TASKS VALUES ('N', 1, 305419896, 'J', 511, 0, -2, 'S', 0, 0),"
         " ('N', 2, 4294967297, 'J', -128, 0, 65535, 'S', 0, 0), ('N', 3, '7', 'J', 1, 0, 258, 'S', 0, 0);");
    const auto r = tasks();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][0], std::string("\x78\x56\x34\x12", 4));
    EXPECT_EQ(r[0][2], "\xFF");
    EXPECT_EQ(r[0][3], "\xFE\xFF");
    EXPECT_EQ(r[1][0], std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(r[1][2], "\x80");
    EXPECT_EQ(r[1][3], "\xFF\xFF");
    EXPECT_EQ(r[2][0], std::string("\x07\x00\x00\x00", 4));
    EXPECT_EQ(r[2][3], "\x02\x01");
}

TEST_F(DeliveryTest, StepAfterTheEndKeepsAnsweringDone) {
    load("INSERT INTO ENQ_TASKS (AT_NODE, RIB) VALUES ('N', 1);");
    auto q = prepare("SELECT RIB FROM VELDA.ENQ_TASKS AT (\"N\");  ");
    ASSERT_TRUE(q);
    std::vector<Cell> cells;
    std::string error;
    EXPECT_EQ(q->next(cells, error), Query::Step::Row);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].bytes, le(1, 4));
    EXPECT_EQ(q->next(cells, error), Query::Step::Done);
    EXPECT_EQ(q->next(cells, error), Query::Step::Done);
    EXPECT_EQ(q->next(cells, error), Query::Step::Done);
}

TEST_F(DeliveryTest, ComparisonIgnoresTrailingBlanksAndConvertsNumbers) {
    load("INSERT INTO ENQ_TASKS VALUES ('N', 1, 1, 'SYSDSN', 0, 0, 5, 'S', 0, 0),"
         " ('N', 2, 2, 'OTHER', 0, 0, 6, 'S', 0, 0);");
    const std::string base = "SELECT RIB FROM VELDA.ENQ_TASKS AT (\"N\") WHERE ";
    EXPECT_EQ(rows(base + "JOBNAME = 'SYSDSN  '"), (std::vector<Row>{{le(1, 4)}}));
    EXPECT_EQ(rows(base + "STATUS = '2'"), (std::vector<Row>{{le(2, 4)}}));
    EXPECT_EQ(rows(base + "ASID >= 6 OR ASID < -1"), (std::vector<Row>{{le(2, 4)}}));
    EXPECT_EQ(rows(base + "SUBSTR(JOBNAME, 2, 3) = 'YSD  ' AND NOT ASID <> 5"), (std::vector<Row>{{le(1, 4)}}));
    EXPECT_EQ(rows(base + "SUBSTR(JOBNAME, 3) = 'HER'"), (std::vector<Row>{{le(2, 4)}}));
}

} // namespace
} // namespace sqltest
