// The statements of the view module, sent exactly as it formats them.
#include "enterprise_fixture.h"
#include "query/sql_texts.h"

namespace sqltest {
namespace {

using host::sql::ColumnType;

// The statements these tests run are written out independently of the
// module; they must be the module's texts, character for character, or the
// tests would prove the engine on statements the module never sends.
TEST(ModuleTexts, AreTheTextsTheModuleSends) {
    namespace text = zrx::sqltext;
    EXPECT_EQ(plexHubQuery("10000000"), format1(text::plexHubQuery, "10000000"));
    EXPECT_EQ(std::string(thruNodeQuery), text::thruNodeQuery);
    EXPECT_EQ(mxcfsysQuery("N"), format1(text::mxcfsysQuery, field("N", 32)));
    EXPECT_EQ(summaryQuery("N"), std::string(text::mglblenqSelect) + text::mglblenqFrom +
                                     format1(text::mglblenqAt, field("N", 32)) + ";");
    EXPECT_EQ(summaryQuery("N", "SYSDSN", "A.B"),
              std::string(text::mglblenqSelect) + text::mglblenqFrom + format1(text::mglblenqAt, field("N", 32)) +
                  "WHERE MGLBLENQ.MAJORNAME = 'SYSDSN' AND MGLBLENQ.MINORNAME = 'A.B';");
    EXPECT_EQ(detailStatement("N", {{"SYSDSN", "A"}, {"SPFEDIT", "B"}}),
              format1(text::detailPrefix, field("N", 32)) + "(" + text::detailMajor + field("SYSDSN", 8) +
                  text::detailAnd + text::detailMinor + "A" + text::detailClose + text::detailOr + "(" +
                  text::detailMajor + field("SPFEDIT", 8) + text::detailAnd + text::detailMinor + "B" +
                  text::detailClose + text::detailTail);
}

TEST_F(EnterpriseTest, PlexHubQueryFindsOnlineHubsByAffinityPrefix) {
    EXPECT_EQ(rows(plexHubQuery()), (std::vector<Row>{{field("PLXA:HUB", 32), field("PLXA:THRU", 32)}}));
}

TEST_F(EnterpriseTest, ThruNodeQueryFindsOnlineAgentsInRowOrder) {
    EXPECT_EQ(rows(thruNodeQuery), (std::vector<Row>{{field("SYSA:AGENT", 32), field("SYSA:THRU", 32)},
                                                     {field("SYSB:AGENT", 32), field("SYSB:THRU", 32)}}));
}

TEST_F(EnterpriseTest, MxcfsysQueryAnswersForTheNamedNodeOnly) {
    auto q = prepare(mxcfsysQuery("PLXA:THRU"));
    ASSERT_TRUE(q);
    EXPECT_EQ(q->routedNode(), "PLXA:THRU");
    EXPECT_EQ(rows(mxcfsysQuery("PLXA:THRU")),
              (std::vector<Row>{{field("SYSA", 8), le(60, 4), le(15, 4), field("ACTIVE", 16), field("SP7.2.5", 16),
                                 field("PLXA:HUB", 32), field("EQA.MIMJOB", 32)},
                                {field("SYSB", 8), le(30, 4), le(-1, 4), field("ACTIVE", 16), "<null>",
                                 field("PLXA:HUB", 32), "<null>"}}));
}

TEST_F(EnterpriseTest, SummaryReportQueryDeliversAllFifteenColumnsInRowOrder) {
    const auto r = rows(summaryQuery("PLXA:THRU"));
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], (Row{field("SYSDSN", 8), field("PROD.LOAD", 255), le(1, 4), le(1, 4), le(900, 4),
                         field("JOBOWN", 8), field("", 8), field("SYSA", 8), le(0, 1), le(0, 1), le(33, 2),
                         le(0, 4), field("YES", 3), field("PLXA:HUB", 32), le(0, 1)}));
    EXPECT_EQ(r[1][6], field("JOBWAIT", 8));
    EXPECT_EQ(r[1][10], le(290, 2));
    EXPECT_EQ(r[1][14], "\x80");
    EXPECT_EQ(r[2][0], field("SPFEDIT", 8));
}

TEST_F(EnterpriseTest, SummaryQueryWithWhereClauseSelectsTheNamedResource) {
    const auto r = rows(summaryQuery("PLXA:THRU", "SYSDSN", "PROD.LOAD"));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0][5], field("JOBOWN", 8));
    EXPECT_EQ(r[1][6], field("JOBWAIT", 8));
    EXPECT_TRUE(rows(summaryQuery("PLXA:THRU", "SYSDSN", "PROD")).empty());
}

TEST_F(EnterpriseTest, SummaryQueryColumnsComeFromTheDeclaredTypes) {
    auto q = prepare(summaryQuery("PLXA:THRU"));
    ASSERT_TRUE(q);
    const auto& c = q->columns();
    ASSERT_EQ(c.size(), 15u);
    const std::vector<std::pair<ColumnType, int>> expected = {
        {ColumnType::Char, 8}, {ColumnType::Char, 255}, {ColumnType::Int4, 4}, {ColumnType::Int4, 4},
        {ColumnType::Int4, 4}, {ColumnType::Char, 8},   {ColumnType::Char, 8}, {ColumnType::Char, 8},
        {ColumnType::Int1, 1}, {ColumnType::Int1, 1},   {ColumnType::Int2, 2}, {ColumnType::Int4, 4},
        {ColumnType::Char, 3}, {ColumnType::Char, 32},  {ColumnType::Int1, 1}};
    for (std::size_t i = 0; i < c.size(); ++i) {
        EXPECT_EQ(c[i].type, expected[i].first) << i;
        EXPECT_EQ(c[i].width, expected[i].second) << i;
    }
    EXPECT_EQ(c[0].name, "MAJORNAME");
    EXPECT_EQ(c[14].name, "ENQPFLAG");
}

TEST_F(EnterpriseTest, DetailStatementJoinsOnTheNodeByResourceThenTask) {
    const auto r = rows(detailStatement("SYSA:THRU", {{"SPFEDIT", "USER.CNTL"}, {"SYSDSN", "PROD.LOAD"}}));
    const auto task = [](const char* major, const char* minor, int status, const char* job, int asid, int wait) {
        return Row{field(major, 8), field(minor, 255), le(status, 4), field(job, 8), le(0, 1), le(0, 1),
                   le(asid, 2), field("SYSA", 8), le(wait, 4), le(0, 1)};
    };
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0], task("SYSDSN", "PROD.LOAD", 1, "JOBOWN", 33, 0));
    EXPECT_EQ(r[1], task("SYSDSN", "PROD.LOAD", 2, "JOBWAIT", 290, 900));
    EXPECT_EQ(r[2], task("SPFEDIT", "USER.CNTL", 2, "EDITOR", 7, 5));
    EXPECT_EQ(r[3][3], field("TSOUSER", 8));
    EXPECT_EQ(r[3][4], le(1, 1));
    EXPECT_EQ(r[3][9], "\x80");
}

TEST_F(EnterpriseTest, DetailStatementWithOnePredicateAndABlankMinorName) {
    load("INSERT INTO ENQ_RESRC VALUES ('SYSA:THRU', 9, 'BLANKMIN', '');"
         "INSERT INTO ENQ_TASKS VALUES ('SYSA:THRU', 9, 1, 'J9', 0, 0, 9, 'SYSA', 0, 0);");
    const auto r = rows(detailStatement("SYSA:THRU", {{"BLANKMIN", ""}}));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][1], field("", 255));
    EXPECT_EQ(r[0][3], field("J9", 8));
}

} // namespace
} // namespace sqltest
