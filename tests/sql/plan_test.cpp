// The translation lets SQLite look resources up through the snapshot's
// indexes instead of scanning the node tables.
#include <sqlite3.h>

#include "enterprise_fixture.h"

namespace sqltest {
namespace {

class PlanTest : public EnterpriseTest {
protected:
    // The detail lines of EXPLAIN QUERY PLAN, one string.
    std::string plan(const Query& q) {
        std::string out;
        sqlite3_stmt* s = nullptr;
        const std::string text = "EXPLAIN QUERY PLAN " + q.sqliteText();
        EXPECT_EQ(sqlite3_prepare_v2(snapshot->db(), text.c_str(), -1, &s, nullptr), SQLITE_OK)
            << sqlite3_errmsg(snapshot->db());
        while (s && sqlite3_step(s) == SQLITE_ROW) {
            out += reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
            out += "\n";
        }
        sqlite3_finalize(s);
        return out;
    }

    // 52 distinct resources whose statement is exactly 4096 characters.
    static std::vector<Resource> fullBatch() {
        std::vector<Resource> r;
        for (int i = 0; i < 52; ++i) {
            char major[9];
            std::snprintf(major, sizeof major, "MAJ%05d", i);
            r.push_back({major, i < 27 ? "M" : ""});
        }
        return r;
    }
};

TEST_F(PlanTest, SummaryQueryWithWhereSearchesTheNodeAndNameIndex) {
    auto q = prepare(summaryQuery("PLXA:THRU", "SYSDSN", "PROD.LOAD"));
    ASSERT_TRUE(q);
    const std::string p = plan(*q);
    EXPECT_NE(p.find("SEARCH MGLBLENQ USING INDEX MGLBLENQ_AT (AT_NODE=? AND MAJORNAME=? AND MINORNAME=?)"),
              std::string::npos) << p;
    EXPECT_EQ(p.find("SCAN"), std::string::npos) << p;
}

TEST_F(PlanTest, NodeQueriesGatherTheNodesRowsFromTheIndexInRowidOrder) {
    auto summary = prepare(summaryQuery("PLXA:THRU"));
    auto members = prepare(mxcfsysQuery("PLXA:THRU"));
    ASSERT_TRUE(summary && members);
    for (const auto& [q, table] : {std::pair{summary.get(), "MGLBLENQ"}, std::pair{members.get(), "MXCFSYS"}}) {
        const std::string p = plan(*q);
        EXPECT_NE(p.find(std::string("SEARCH ") + table + " USING INTEGER PRIMARY KEY (rowid=?)"), std::string::npos) << p;
        EXPECT_NE(p.find(std::string("SEARCH ") + table + " USING COVERING INDEX " + table + "_AT (AT_NODE=?)"),
                  std::string::npos) << p;
        EXPECT_EQ(p.find("TEMP B-TREE"), std::string::npos) << p;
    }
    // Rows in the node's rowid order, not the index's order of names.
    const auto r = rows(summaryQuery("PLXA:THRU"));
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][0], field("SYSDSN", 8));
    EXPECT_EQ(r[2][0], field("SPFEDIT", 8));
}

TEST_F(PlanTest, FullDetailStatementOfFiftyTwoPredicatesLooksUpEachResourceThroughTheIndex) {
    const auto batch = fullBatch();
    const std::string text = detailStatement("SYSA:THRU", batch);
    ASSERT_EQ(text.size(), 4096u);

    std::string script = "INSERT INTO ENQ_RESRC VALUES ";
    std::string tasks = "INSERT INTO ENQ_TASKS VALUES ";
    for (int i = 0; i < 52; ++i) {
        const std::string rib = std::to_string(100 + i);
        script += std::string(i ? "," : "") + "('SYSA:THRU', " + rib + ", '" + batch[i].major + "', '" +
                  batch[i].minor + "')";
        tasks += std::string(i ? "," : "") + "('SYSA:THRU', " + rib + ", 1, 'J" + rib + "', 0, 0, 0, 'SYSA', 0, 0)";
    }
    load(script + ";" + tasks + ";");

    auto q = prepare(text);
    ASSERT_TRUE(q);
    const std::string p = plan(*q);
    // One index search per resource, never a walk through the node's
    // resources testing every predicate.
    EXPECT_NE(p.find("SEARCH ENQ_RESRC USING INTEGER PRIMARY KEY (rowid=?)"), std::string::npos) << p;
    EXPECT_NE(p.find("SEARCH ENQ_RESRC USING COVERING INDEX ENQ_RESRC_AT (AT_NODE=? AND MAJOR_NAME=? AND "
                     "MINOR_NAME=?)"), std::string::npos) << p;
    EXPECT_NE(p.find("SEARCH ENQ_TASKS USING INDEX ENQ_TASKS_AT (AT_NODE=? AND RIB=?)"), std::string::npos) << p;
    EXPECT_EQ(p.find("SCAN ENQ_"), std::string::npos) << p;

    const auto r = rows(text);
    ASSERT_EQ(r.size(), 52u);
    EXPECT_EQ(r[0][3], field("J100", 8));
    EXPECT_EQ(r[51][3], field("J151", 8));
}

} // namespace
} // namespace sqltest
