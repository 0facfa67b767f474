// Literals reach SQLite as values: awkward names match only themselves.
#include "sql_fixture.h"

#include "sql/translator.h"

namespace sqltest {
namespace {

class LiteralTest : public SqlTest {
protected:
    void SetUp() override {
        SqlTest::SetUp();
        std::string script = "INSERT INTO MGLBLENQ (AT_NODE, MAJORNAME, MINORNAME) VALUES ";
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::string quoted;
            for (char c : names[i]) quoted += c == '\'' ? std::string("''") : std::string(1, c);
            script += std::string(i ? "," : "") + "('N', 'M', '" + quoted + "')";
        }
        load(script);
    }

    std::vector<Row> minors(const std::string& where) {
        return rows("SELECT MGLBLENQ.MINORNAME FROM VELDA.MGLBLENQ AT (\"N\") WHERE " + where);
    }

    static std::string single(const std::string& v) {
        std::string s = "'";
        for (char c : v) s += c == '\'' ? std::string("''") : std::string(1, c);
        return s + "'";
    }
    static std::string dbl(const std::string& v) {
        std::string s = "\"";
        for (char c : v) s += c == '"' ? std::string("\"\"") : std::string(1, c);
        return s + "\"";
    }

    const std::vector<std::string> names = {
        "O'BRIEN", "SAY\"HI\"", "A*B", "A%B", "A_B", "AXB", "A%XB", "SELECT", "X OR Y", "X", "'); DROP TABLE MGLBLENQ; --",
        "A?B", "A[B]", "ab"};
};

TEST_F(LiteralTest, EveryNameRoundTripsInBothQuotesAndMatchesOnlyItself) {
    for (const std::string& name : names) {
        const std::vector<Row> expected = {{field(name, 255)}};
        EXPECT_EQ(minors("MGLBLENQ.MINORNAME = " + single(name)), expected) << name;
        EXPECT_EQ(minors("MINORNAME = " + dbl(name)), expected) << name;
    }
}

TEST_F(LiteralTest, NamesRoundTripThroughTheDetailStatementShape) {
    load("INSERT INTO ENQ_RESRC VALUES ('N', 7, 'M', 'O''BRIEN'), ('N', 8, 'M', 'O'), ('N', 9, 'M', 'X OR Y');"
         "INSERT INTO ENQ_TASKS VALUES ('N', 7, 1, 'J7', 0, 0, 0, 'S', 0, 0), ('N', 8, 1, 'J8', 0, 0, 0, 'S', 0, 0),"
         " ('N', 9, 1, 'J9', 0, 0, 0, 'S', 0, 0);");
    const auto r = rows(detailStatement("N", {{"M", "O''BRIEN"}, {"M", "X OR Y"}}));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0][3], field("J7", 8));
    EXPECT_EQ(r[1][3], field("J9", 8));
}

TEST_F(LiteralTest, AnUndoubledApostropheIsRefusedNotGuessedAt) {
    EXPECT_EQ(refusal(detailStatement("N", {{"M", "O'BRIEN"}})),
              "unterminated literal starting at offset 405");
}

TEST_F(LiteralTest, LikeTakesStarAsTheOnlyWildcardAndIsCaseSensitive) {
    auto matches = [&](const std::string& pattern) {
        std::vector<std::string> out;
        for (const Row& r : minors("MINORNAME LIKE " + single(pattern))) out.push_back(r[0].substr(0, r[0].find_last_not_of(' ') + 1));
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(matches("A%*"), (V{"A%B", "A%XB"}));
    EXPECT_EQ(matches("A_B"), (V{"A_B"}));
    EXPECT_EQ(matches("A?B"), (V{"A?B"}));
    EXPECT_EQ(matches("A[B]"), (V{"A[B]"}));
    EXPECT_EQ(matches("*B"), (V{"A*B", "A%B", "A_B", "AXB", "A%XB", "A?B"}));
    EXPECT_EQ(matches("AB"), V{});
    EXPECT_EQ(matches("a*"), (V{"ab"}));
    EXPECT_EQ(matches("X  "), (V{"X"}));
    EXPECT_EQ(minors("MINORNAME NOT LIKE 'A*' AND NOT MINORNAME LIKE '*''*' AND MINORNAME LIKE '*'").size(), 5u);
}

TEST(GlobPattern, EscapesTheOtherGlobCharacters) {
    EXPECT_EQ(host::sql::globPattern("A*?[]%_"), "A*[?][[]]%_");
}

TEST_F(LiteralTest, NodeNameWithADoubleQuoteIsRoutedWhole) {
    load("INSERT INTO MXCFSYS (AT_NODE, SYS_NAME) VALUES ('Q\"N', 'QS'), ('Q', 'NOTME');");
    EXPECT_EQ(rows("SELECT SYS_NAME FROM VELDA.MXCFSYS AT (\"Q\"\"N\")"), (std::vector<Row>{{field("QS", 8)}}));
}

} // namespace
} // namespace sqltest
