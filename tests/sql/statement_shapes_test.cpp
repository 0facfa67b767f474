// A statement of a shape read before takes its values from its own literals
// and is refused for exactly what a first reading would refuse.
#include "enterprise_fixture.h"

#include "sql/statement_shapes.h"
#include "sql/tokenizer.h"

namespace sqltest {
namespace {

class ShapeTest : public EnterpriseTest {
protected:
    std::vector<Row> jobs(const std::string& where) {
        return rows("SELECT ENQ_TASKS.JOBNAME FROM VELDA.ENQ_TASKS AT (\"SYSA:THRU\") WHERE " + where);
    }
};

TEST_F(ShapeTest, EachStatementOfAShapeBindsItsOwnValues) {
    const auto jobsOf = [](std::vector<const char*> names) {
        std::vector<Row> r;
        for (const char* n : names) r.push_back({field(n, 8)});
        return r;
    };
    load("INSERT INTO ENQ_TASKS VALUES ('SYSA:THRU', 5, 1, 'O''NEIL', 0, 0, 9, 'SYSA', 0, 0);");
    EXPECT_EQ(jobs("ASID >= 33 AND JOBNAME LIKE 'JOB*'"), jobsOf({"JOBOWN", "JOBWAIT"}));
    EXPECT_EQ(jobs("ASID >= 258 AND JOBNAME LIKE '*WAIT  '"), jobsOf({"JOBWAIT"}));
    EXPECT_EQ(jobs("ASID >= 9 AND JOBNAME LIKE 'O''N*'"), jobsOf({"O'NEIL"}));
    EXPECT_EQ(jobs("ASID >= -300 AND JOBNAME LIKE \"M*\""), jobsOf({"MASTER"}));
    EXPECT_EQ(jobs("ASID >= -2 AND JOBNAME LIKE \"MAS*\""), jobsOf({"MASTER"}));
    EXPECT_EQ(jobs("SUBSTR(JOBNAME, 2, 3) = 'OBO' OR SUBSTR(JOBNAME, 1, 2) = 'ED'"), jobsOf({"EDITOR", "JOBOWN"}));
    EXPECT_EQ(jobs("SUBSTR(JOBNAME, 3, 3) = 'ITO' OR SUBSTR(JOBNAME, 1, 2) = 'MA'"), jobsOf({"EDITOR", "MASTER"}));
}

TEST_F(ShapeTest, RefusesWhatAFirstReadingRefuses) {
    EXPECT_EQ(jobs("ASID < -9223372036854775808").size(), 0u);
    EXPECT_EQ(refusal("SELECT ENQ_TASKS.JOBNAME FROM VELDA.ENQ_TASKS AT (\"SYSA:THRU\") WHERE ASID < "
                      "-9223372036854775809"),
              "number 9223372036854775809 is too large at offset 77");
    EXPECT_EQ(refusal("SELECT ENQ_TASKS.JOBNAME FROM VELDA.ENQ_TASKS AT (\"SYSA:THRU\") WHERE ASID < "
                      "9223372036854775808"),
              "number 9223372036854775808 is too large at offset 76");
    EXPECT_EQ(refusal("SELECT ENQ_TASKS.JOBNAME FROM VELDA.ENQ_TASKS AT (\"NOWHERE\") WHERE ASID < 1"),
              "node \"NOWHERE\" is not known to this data server");
    EXPECT_EQ(refusal("SELECT ENQ_TASKS.JOBNAME FROM VELDA.ENQ_TASKS AT (\"  \") WHERE ASID < 1"),
              "the AT clause names no node");
}

TEST_F(ShapeTest, ANodeIsKnownOnlyAsLongAsItsRowsAre) {
    const std::string text = "SELECT ENQ_TASKS.JOBNAME FROM VELDA.ENQ_TASKS AT (\"ONLYHERE\")";
    load("INSERT INTO ENQ_TASKS (AT_NODE, RIB, JOBNAME) VALUES ('ONLYHERE', 1, 'J');");
    EXPECT_EQ(rows(text).size(), 1u);
    load("DELETE FROM ENQ_TASKS WHERE AT_NODE = 'ONLYHERE';");
    EXPECT_EQ(refusal(text), "node \"ONLYHERE\" is not known to this data server");
}

// Statements that differ from a first one only inside its literals, and
// others that come close: what stands between the literals, their kinds,
// doubled quotes that run on, numbers that run into words, NULs, literals
// left open, texts cut short.
const std::string routed = "SELECT ENQ_TASKS.JOBNAME FROM VELDA.ENQ_TASKS AT (\"SYSA:THRU\") WHERE ";
const std::vector<std::string> nearlyTheSame = {
    routed + "ASID >= 258 AND JOBNAME LIKE '*WAIT  '",
    routed + "ASID >= 7 AND JOBNAME LIKE ''",
    routed + "ASID >= 33 AND JOBNAME LIKE 'O''N*'",
    routed + "ASID >= 33 AND JOBNAME LIKE \"JOB*\"",
    routed + "ASID >= 33 AND JOBNAME LIKE 'JOB*'' AND JOBNAME LIKE ''X'",
    routed + "ASID >= 33 AND JOBNAME LIKE 'JOB*' AND JOBNAME LIKE 'X'",
    routed + "ASID >= 33X AND JOBNAME LIKE 'JOB*'",
    routed + "ASID >= 9223372036854775808 AND JOBNAME LIKE 'JOB*'",
    routed + "ASID >= -5 AND JOBNAME LIKE 'JOB*'",
    routed + "ASID >= 33 AND JOBNAME LIKE 'JOB*",
    routed + "ASID >= 33 AND JOBNAME LIKE 'JO" + std::string(1, '\0') + "B*'",
    routed + "ASID >= 33 AND JOBNAME LIKE '",
    routed + "ASID >= 33 AND JOBNAME LIKE 'JOB*' ",
    routed + "ASID >= '33' AND JOBNAME LIKE 'JOB*'",
    "SELECT ENQ_TASKS.JOBNAME FROM VELDA.ENQ_TASKS AT (\"NOWHERE\") WHERE ASID >= 33 AND JOBNAME LIKE 'JOB*'",
    "SELECT ENQ_TASKS.JOBNAME FROM VELDA.ENQ_TASKS AT (\"SYSA:THRU\"\"\") WHERE ASID >= 33 AND JOBNAME LIKE 'JOB*'",
    routed.substr(0, 52),
};

TEST(ShapeExamples, AStatementIsRecognisedOnlyAsScanningWouldReadIt) {
    using host::sql::Lexeme;
    const std::string example = routed + "ASID >= 33 AND JOBNAME LIKE 'JOB*'";
    host::sql::StatementShapes shapes;
    host::sql::StatementShape shape;
    std::vector<Lexeme> lexemes;
    std::string error;
    ASSERT_TRUE(host::sql::scan(example, lexemes, error));
    shape.example = example;
    const host::sql::StatementShape& kept = shapes.add("key", shape, lexemes);
    const auto same = [](const std::vector<Lexeme>& a, const std::vector<Lexeme>& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i].kind != b[i].kind || a[i].offset != b[i].offset || a[i].length != b[i].length ||
                a[i].doubledQuote != b[i].doubledQuote)
                return false;
        }
        return true;
    };
    int recognised = 0;
    for (const std::string& text : nearlyTheSame) {
        std::vector<Lexeme> fromExample;
        if (!shapes.recognise(text, fromExample)) continue;
        ++recognised;
        EXPECT_EQ(shapes.recognise(text, fromExample), &kept);
        std::vector<Lexeme> scanned;
        ASSERT_TRUE(host::sql::scan(text, lexemes, error)) << text;
        host::sql::literalsOf(lexemes, scanned);
        EXPECT_TRUE(same(fromExample, scanned)) << text;
    }
    // The four that differ only inside string literals (one of which runs on
    // through doubled quotes); a different number makes a different outline.
    EXPECT_EQ(recognised, 4);
}

TEST_F(ShapeTest, AStatementLikeOneReadBeforeGetsWhatAFirstReadingGives) {
    load("INSERT INTO ENQ_TASKS VALUES ('SYSA:THRU', 5, 1, 'O''NEIL', 0, 0, 9, 'SYSA', 0, 0);");
    const auto outcome = [](Snapshot& connection, const std::string& text) {
        std::string error;
        auto q = Query::prepare(connection, text, error);
        if (!q) return "refused: " + error;
        std::string rows;
        std::vector<Cell> cells;
        while (q->next(cells, error) == Query::Step::Row) rows += texts(cells).front() + ";";
        return rows;
    };
    std::string error;
    auto reused = Snapshot::openSameVersion(*snapshot, error);
    ASSERT_TRUE(reused) << error;
    outcome(*reused, routed + "ASID >= 33 AND JOBNAME LIKE 'JOB*'");
    for (const std::string& text : nearlyTheSame) {
        auto fresh = Snapshot::openSameVersion(*snapshot, error);
        ASSERT_TRUE(fresh) << error;
        EXPECT_EQ(outcome(*reused, text), outcome(*fresh, text)) << text;
    }
}

} // namespace
} // namespace sqltest
