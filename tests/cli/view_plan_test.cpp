// Which predicates the view takes as given, and what the command asks it for
// otherwise; parsing --where into them.
#include <gtest/gtest.h>

#include "cli/predicates.h"
#include "cli/view_plan.h"

namespace {

using zrx::IndexOp;
using P = host::Predicate;

P eq(const char* column, const std::string& value) { return {column, IndexOp::EQ, value}; }

TEST(ViewPlan, TheViewTakesAReportOrOneResourceReadAsItReadsThem) {
    using cli::viewTakes;
    EXPECT_TRUE(viewTakes({P::report()}));
    EXPECT_TRUE(viewTakes({eq("MAJORNAME", "SYSDSN"), eq("MINORNAME", "A B"), eq("ENQPLEX", "PRODENQ")}));
    EXPECT_TRUE(viewTakes({P::report(), eq("MAXWAITTM", "5")})) << "another column is reported and ignored";
    EXPECT_TRUE(viewTakes({P::report(), {"OWNINGAS", IndexOp::GT, "A"}})) << "on any operator";
    EXPECT_TRUE(viewTakes({eq("REPORT", "YES TOO")})) << "cut at the blank";
    EXPECT_TRUE(viewTakes({eq("REPORT", "YESTERDAY")})) << "cut at three characters";
    EXPECT_TRUE(viewTakes({eq("MAJORNAME", ""), eq("MINORNAME", " X"), eq("ENQPLEX", "P")}))
        << "empty names count as given";
    EXPECT_TRUE(viewTakes({eq("MAJORNAME", "A"), eq("MINORNAME", "B"), eq("ENQPLEX", "P"), eq("ENQPLEX", "")}))
        << "an empty Enqplex leaves the earlier one";
    EXPECT_TRUE(viewTakes({eq("REPORT", "NO"), P::report()})) << "the last REPORT counts";

    EXPECT_FALSE(viewTakes({}));
    EXPECT_FALSE(viewTakes({eq("MAXWAITTM", "5")}));
    EXPECT_FALSE(viewTakes({eq("REPORT", "yes")}));
    EXPECT_FALSE(viewTakes({P::report(), eq("REPORT", "NO")}));
    EXPECT_FALSE(viewTakes({P::report(), eq("ENQPLEX", "PROD")}));
    EXPECT_FALSE(viewTakes({P::report(), eq("MAJORNAME", "SYSDSN")}));
    EXPECT_FALSE(viewTakes({{"REPORT", IndexOp::NE, "YES"}}));
    EXPECT_FALSE(viewTakes({eq("MAJORNAME", "A"), eq("MINORNAME", "B")}));
    EXPECT_FALSE(viewTakes({eq("MAJORNAME", "A"), eq("MINORNAME", "B"), eq("ENQPLEX", " P")}));
    EXPECT_FALSE(viewTakes({eq("MAJORNAME", "A"), eq("MINORNAME", "B"), eq("ENQPLEX", "P"), P::report()}));
    EXPECT_FALSE(viewTakes({eq("MAJORNAME", "A"), {"MINORNAME", IndexOp::GT, "B"}, eq("ENQPLEX", "P")}));
    EXPECT_FALSE(viewTakes({eq("majorname", "A"), eq("MINORNAME", "B"), eq("ENQPLEX", "P")}))
        << "columns match exactly";
}

TEST(ViewPlan, OtherwiseTheFirstEqualsOnTheResourceOrTheReport) {
    using cli::viewPlan;
    const auto report = std::vector<P>{P::report()};
    auto same = [](const std::vector<P>& a, const std::vector<P>& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i].column != b[i].column || a[i].op != b[i].op || a[i].value != b[i].value) return false;
        return true;
    };
    EXPECT_TRUE(same(viewPlan({P::report(), eq("ENQPLEX", "PROD")}), report));
    EXPECT_TRUE(same(viewPlan({{"MINORNAME", IndexOp::GT, "P"}}), report));
    EXPECT_TRUE(same(viewPlan({}), report));
    const std::vector<P> resource = {eq("ENQPLEX", "E"), eq("MAJORNAME", "A"), eq("MINORNAME", "B")};
    EXPECT_TRUE(same(viewPlan({P::report(), eq("ENQPLEX", "E"), eq("MAJORNAME", "A"), eq("ENQPLEX", "F"),
                               {"ASID", IndexOp::GT, "3"}, eq("MINORNAME", "B")}),
                     resource))
        << "the first of each, in the order given";
    EXPECT_TRUE(same(viewPlan({eq("MAJORNAME", "A"), eq("MINORNAME", "B"), eq("ENQPLEX", "")}), report))
        << "a blank Enqplex holds no row";
}

TEST(WhereParsing, OperatorsQuotesAndHexadecimalAsids) {
    P p;
    std::string error;
    ASSERT_TRUE(cli::parseWhere("asid = X'0052'", p, error)) << error;
    EXPECT_EQ(p.column, "ASID");
    EXPECT_EQ(p.value, "82");
    ASSERT_TRUE(cli::parseWhere("ASID>=x'1c'", p, error));
    EXPECT_EQ(p.op, IndexOp::GE);
    EXPECT_EQ(p.value, "28");
    ASSERT_TRUE(cli::parseWhere("ASID = X'00G2'", p, error));
    EXPECT_EQ(p.value, "X'00G2'") << "no hexadecimal number: left as written";
    ASSERT_TRUE(cli::parseWhere("SYSNAME = X'0052'", p, error));
    EXPECT_EQ(p.value, "X'0052'") << "only an ASID";
    ASSERT_TRUE(cli::parseWhere("minorname <> 'O''BRIEN '", p, error));
    EXPECT_EQ(p.op, IndexOp::NE);
    EXPECT_EQ(p.value, "O'BRIEN ");
    ASSERT_TRUE(cli::parseWhere("ENQPLEX<PROD ENQ", p, error));
    EXPECT_EQ(p.op, IndexOp::LT);
    EXPECT_EQ(p.value, "PROD ENQ");
    for (IndexOp op : {IndexOp::EQ, IndexOp::NE, IndexOp::GE, IndexOp::LE, IndexOp::LT, IndexOp::GT})
        EXPECT_NE(cli::sqlOperator(op), nullptr);
    EXPECT_EQ(cli::sqlOperator(IndexOp::LIKE), nullptr);
    EXPECT_FALSE(cli::parseWhere("COLOUR = RED", p, error));
    EXPECT_EQ(error.find("MAJORNAME, MINORNAME, OWNTASKCT"), error.find("(its columns: ") + 14) << error;
}

} // namespace
