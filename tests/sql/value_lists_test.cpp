// A detail statement's OR of resources is looked up resource by resource,
// yet answers exactly the rows, in exactly the order, that testing every
// predicate on every row of the node answers.
#include <sqlite3.h>

#include "sql_fixture.h"

namespace sqltest {
namespace {

// A detail statement whose names are written as given, apostrophes doubled:
// blanks are neither added nor removed.
std::string listStatement(const std::vector<Resource>& resources) {
    const auto quoted = [](const std::string& v) {
        std::string q = "'";
        for (char c : v) q += c == '\'' ? std::string("''") : std::string(1, c);
        return q + "'";
    };
    std::string text = format1(detailPrefixFormat, field("N", 32));
    for (std::size_t i = 0; i < resources.size(); ++i) {
        text += std::string(i ? "OR " : "") + "( ENQ_RESRC.MAJOR_NAME = " + quoted(resources[i].major) +
                " AND ENQ_RESRC.MINOR_NAME = " + quoted(resources[i].minor) + " ) ";
    }
    return text + detailTail;
}

// The same statement with its first predicate joined to a condition that
// always holds: no longer a plain list of names, so it is answered by
// testing each predicate on each row, as every OR is.
std::string testedRowByRow(std::string detail) {
    const std::size_t first = detail.find("( ENQ_RESRC.MAJOR_NAME");
    EXPECT_NE(first, std::string::npos);
    return detail.insert(first, "SYSTEM.PARMA() AND ");
}

class ValueListTest : public SqlTest {
protected:
    void SetUp() override {
        SqlTest::SetUp();
        // RIB 7 names two resources; resource 4 repeats resource 1's names
        // on this node, resource 12 on another node.
        load("INSERT INTO ENQ_RESRC VALUES"
             " ('N', 1, 'SYSDSN', 'PAY.LOAD'), ('N', 2, 'SPFEDIT', 'O''BRIEN.CNTL'),"
             " ('N', 3, 'SYSDSN', '  LEADING'), ('N', 4, 'SYSDSN', 'PAY.LOAD'),"
             " ('N', 7, 'Q\"X', '?1 '' OR 1=1 --'), ('N', 7, 'SYSZ', CAST(x'C3A9FF20' AS TEXT)),"
             " ('N', 8, 'SYSDSN', ''), ('M', 12, 'SYSDSN', 'PAY.LOAD');"
             "INSERT INTO ENQ_TASKS VALUES"
             " ('N', 7, 1, 'J7', 0, 0, 7, 'S', 0, 0), ('N', 4, 1, 'J4', 0, 0, 4, 'S', 0, 0),"
             " ('N', 1, 1, 'J1A', 0, 0, 1, 'S', 0, 0), ('N', 2, 2, 'J2', 0, 0, 2, 'S', 0, 0),"
             " ('N', 1, 2, 'J1B', 0, 0, 1, 'S', 0, 0), ('N', 3, 1, 'J3', 0, 0, 3, 'S', 0, 0),"
             " ('N', 8, 1, 'J8', 0, 0, 8, 'S', 0, 0), ('M', 12, 1, 'J12', 0, 0, 12, 'S', 0, 0);");
    }

    // Each row's job name; checks first that both ways answer the same
    // rows in the same order, and that only the list is looked up.
    std::vector<std::string> jobs(const std::vector<Resource>& resources) {
        const std::string text = listStatement(resources);
        auto listed = prepare(text);
        auto tested = prepare(testedRowByRow(text));
        if (!listed || !tested) return {};
        EXPECT_EQ(listed->sqliteText().find(".rowid IN (SELECT") != std::string::npos, resources.size() > 1);
        EXPECT_EQ(tested->sqliteText().find(".rowid IN (SELECT"), std::string::npos);
        const auto r = rows(text);
        EXPECT_EQ(r, rows(testedRowByRow(text)));
        std::vector<std::string> out;
        for (const Row& row : r) out.push_back(row[3].substr(0, row[3].find(' ')));
        return out;
    }
};

using Jobs = std::vector<std::string>;

TEST_F(ValueListTest, RowsComeInTheNodesOrderWhateverTheOrderOfTheList) {
    EXPECT_EQ(jobs({{"SYSDSN", ""}, {"SPFEDIT", "O'BRIEN.CNTL"}, {"SYSDSN", "PAY.LOAD"}}),
              (Jobs{"J1A", "J1B", "J2", "J4", "J8"}));
}

TEST_F(ValueListTest, AResourceListedTwiceOrUnderBlankPaddedNamesComesOnce) {
    EXPECT_EQ(jobs({{"SYSDSN", "PAY.LOAD"}, {"SYSDSN", "PAY.LOAD"}, {"SYSDSN  ", "PAY.LOAD   "}, {"SYSDSN", "PAY.LOAD "}}),
              (Jobs{"J1A", "J1B", "J4"}));
    // Leading blanks count.
    EXPECT_EQ(jobs({{"SYSDSN", "LEADING"}, {"SYSDSN", " LEADING"}}), Jobs{});
    EXPECT_EQ(jobs({{"SYSDSN", "  LEADING "}}), Jobs{"J3"});
}

TEST_F(ValueListTest, HostileNamesMatchOnlyThemselves) {
    EXPECT_EQ(jobs({{"Q\"X", "?1 ' OR 1=1 --"}, {"SYSZ", "\xC3\xA9\xFF"}}), (Jobs{"J7", "J7"}));
    EXPECT_EQ(jobs({{"Q\"X", "?1"}, {"SYSZ", "\xC3\xA9"}, {"'", "' OR ''='"}}), Jobs{});
}

TEST_F(ValueListTest, ListsOfEveryLengthAnswerTheirOwnResources) {
    // Lists are padded to shared lengths and their statements kept: each
    // must answer for the names it holds, whether the statement served a
    // longer or a shorter list before.
    const std::vector<Resource> found = {{"SPFEDIT", "O'BRIEN.CNTL"}, {"SYSDSN", ""}, {"SYSDSN", "  LEADING"},
                                         {"SYSDSN", "PAY.LOAD"}};
    const auto list = [&](std::size_t n) {
        std::vector<Resource> l;
        for (std::size_t i = 1; i <= n; ++i) l.push_back(i <= 12 ? Resource{"NONE", std::to_string(i)} : found[(i - 13) % 4]);
        return l;
    };
    const auto expected = [](std::size_t n) { return n <= 12 ? 0u : n < 16 ? n - 12 : 6u; };
    for (std::size_t n = 1; n <= 20; ++n) EXPECT_EQ(jobs(list(n)).size(), expected(n)) << n;
    for (std::size_t n = 20; n >= 1; --n) EXPECT_EQ(jobs(list(n)).size(), expected(n)) << n;
}

TEST_F(ValueListTest, OtherListsOfEqualitiesOnOneTableAreLookedUpToo) {
    const std::string base = " SELECT ENQ_RESRC.RIB, ENQ_TASKS.JOBNAME FROM VELDA.ENQ_RESRC, VELDA.ENQ_TASKS "
                              "AT (\"N\") WHERE ENQ_RESRC.RIB = ENQ_TASKS.RIB AND (";
    // Integers and texts, the column on either side.
    const std::string listed = base + "ENQ_RESRC.RIB = 8 OR '2' = ENQ_RESRC.RIB OR ENQ_RESRC.RIB = 8)";
    auto q = prepare(listed);
    ASSERT_TRUE(q);
    EXPECT_NE(q->sqliteText().find(".rowid IN (SELECT"), std::string::npos);
    EXPECT_EQ(rows(listed), (std::vector<Row>{{le(2, 4), field("J2", 8)}, {le(8, 4), field("J8", 8)}}));
    EXPECT_EQ(rows(listed), rows(base + "ENQ_RESRC.RIB = 8 OR '2' = ENQ_RESRC.RIB OR SYSTEM.PARMA() AND 1 = 0)"));

    // Not a list: another operator, another table, columns that differ.
    for (const char* notList : {"ENQ_RESRC.RIB = 8 OR ENQ_RESRC.RIB > 7)", "ENQ_RESRC.RIB = 8 OR ENQ_TASKS.RIB = 2)",
                                "ENQ_RESRC.RIB = 8 OR ENQ_RESRC.MAJOR_NAME = 'SPFEDIT')"}) {
        auto other = prepare(base + notList);
        ASSERT_TRUE(other);
        EXPECT_EQ(other->sqliteText().find(".rowid IN (SELECT"), std::string::npos) << notList;
    }
}

TEST_F(ValueListTest, WrittenOutWithLiteralsTheTextAnswersTheSameRows) {
    const std::string text = listStatement({{"Q\"X", "?1 ' OR 1=1 --"}, {"SYSDSN", "PAY.LOAD"}});
    for (auto form : {Query::ShellText::AsWritten, Query::ShellText::AsWrittenRestrictedOnce,
                      Query::ShellText::AsAnswered}) {
        std::string sqlite, error;
        ASSERT_TRUE(Query::shellText(*snapshot, text, form, sqlite, error)) << error;
        EXPECT_EQ(sqlite.find('?'), sqlite.find("?1 '' OR 1=1 --")) << sqlite;
        EXPECT_EQ(sqlite.find(".rowid IN (SELECT") != std::string::npos, form == Query::ShellText::AsAnswered);
        if (form != Query::ShellText::AsAnswered) {
            // The node restriction of both tables: in each branch of the OR
            // on ENQ_RESRC as written, or once for each table.
            size_t restrictions = 0;
            for (size_t at = sqlite.find("\"AT_NODE\" = "); at != std::string::npos;
                 at = sqlite.find("\"AT_NODE\" = ", at + 1))
                ++restrictions;
            EXPECT_EQ(restrictions, form == Query::ShellText::AsWritten ? 3u : 2u) << sqlite;
        }
        std::vector<Row> written;
        sqlite3_stmt* s = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(snapshot->db(), sqlite.c_str(), -1, &s, nullptr), SQLITE_OK) << sqlite;
        EXPECT_EQ(sqlite3_bind_parameter_count(s), 0);
        while (sqlite3_step(s) == SQLITE_ROW) written.push_back({reinterpret_cast<const char*>(sqlite3_column_text(s, 3))});
        sqlite3_finalize(s);
        EXPECT_EQ(written, (std::vector<Row>{{"J1A"}, {"J1B"}, {"J4"}, {"J7"}}));
    }
    std::string summary, error;
    ASSERT_TRUE(Query::shellText(*snapshot, summaryQuery("N"), Query::ShellText::AsWritten, summary, error)) << error;
    EXPECT_NE(summary.find(" FROM \"MGLBLENQ\" WHERE \"MGLBLENQ\".\"AT_NODE\" = 'N' ORDER BY \"MGLBLENQ\".rowid"),
              std::string::npos) << summary;
}

} // namespace
} // namespace sqltest
