// AT routing: which node answers, and which nodes exist.
#include "enterprise_fixture.h"

namespace sqltest {
namespace {

const std::string sysnames = "SELECT MXCFSYS.SYS_NAME FROM VELDA.MXCFSYS AT (\"";

TEST_F(EnterpriseTest, TrailingBlanksOfTheAtNameDoNotCount) {
    auto q = prepare(sysnames + "PLXB:THRU                       \")");
    ASSERT_TRUE(q);
    EXPECT_EQ(q->routedNode(), "PLXB:THRU");
    EXPECT_EQ(rows(sysnames + "PLXB:THRU   \")"), (std::vector<Row>{{field("SYSX", 8)}}));
}

TEST_F(EnterpriseTest, AtNameIsCaseSensitiveAndLeadingBlanksCount) {
    EXPECT_EQ(refusal(sysnames + "plxa:thru\")"), "node \"plxa:thru\" is not known to this data server");
    EXPECT_EQ(refusal(sysnames + " PLXA:THRU\")"), "node \" PLXA:THRU\" is not known to this data server");
    EXPECT_EQ(refusal(sysnames + "    \")"), "the AT clause names no node");
}

TEST_F(EnterpriseTest, KnownNodeWithoutRowsAnswersEmpty) {
    EXPECT_TRUE(rows(sysnames + "SYSC:THRU\")").empty());   // a THRUNODE of INODESTS
    EXPECT_TRUE(rows(sysnames + "SYSB:AGENT\")").empty());  // a NODE of INODESTS
    EXPECT_TRUE(rows(summaryQuery("SYSA:THRU")).empty());    // an AT_NODE of ENQ_RESRC
}

TEST_F(EnterpriseTest, JoinIsRestrictedToTheNodeOnBothSides) {
    const auto r = rows(detailStatement("SYSB:THRU", {{"SYSDSN", "PROD.LOAD"}, {"SPFEDIT", "USER.CNTL"}}));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][3], field("FOREIGN", 8));
}

TEST_F(EnterpriseTest, KnowsNodesOfEveryRoutingSourceOnly) {
    for (const char* node : {"PLXA:HUB", "PLXA:THRU", "SYSD:AGENT", "SYSB:THRU", "PLXA:THRU    "}) {
        EXPECT_TRUE(snapshot->knowsNode(node)) << node;
    }
    load("INSERT INTO MGLBLENQ (AT_NODE) VALUES ('ONLYMGL');"
         "INSERT INTO ENQ_TASKS (AT_NODE, RIB) VALUES ('ONLYTASKS', 1);");
    EXPECT_TRUE(snapshot->knowsNode("ONLYMGL"));
    EXPECT_TRUE(snapshot->knowsNode("ONLYTASKS"));
    for (const char* node : {"NOWHERE", "", "PLXA", "plxa:hub"}) EXPECT_FALSE(snapshot->knowsNode(node)) << node;
}

TEST_F(EnterpriseTest, HubTableTakesNoAtClauseAndNodeTablesNeedOne) {
    EXPECT_EQ(refusal("SELECT INODESTS.NODE FROM Q7SRV.INODESTS AT (\"PLXA:HUB\")"),
              "INODESTS is the hub's own table and takes no AT clause");
    EXPECT_EQ(refusal("SELECT MXCFSYS.SYS_NAME FROM VELDA.MXCFSYS"),
              "MXCFSYS is answered by a node: the statement needs AT (\"node\")");
    EXPECT_EQ(refusal("SELECT NODE, SYS_NAME FROM Q7SRV.INODESTS, VELDA.MXCFSYS AT (\"PLXA:THRU\")"),
              "INODESTS is the hub's own table and cannot be read together with MXCFSYS");
}

} // namespace
} // namespace sqltest
