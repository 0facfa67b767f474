// A statement of a shape read before takes its values from its own literals
// and is refused for exactly what a first reading would refuse.
#include "enterprise_fixture.h"

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

} // namespace
} // namespace sqltest
