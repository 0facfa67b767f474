// Query strings read as the command reads its options: in order, decoded,
// and only a plain report answered from the reading of the report.
#include <gtest/gtest.h>

#include "serve/request_parameters.h"

namespace {

using serve::ContentionQuery;

TEST(RequestParameters, KeepTheirOrderAndAreDecoded) {
    const auto p = serve::parametersOf("/api/v1/contention?minor=A+B%26C&major=SYS%44SN&&report&where=x%3D1");
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0], (std::pair<std::string, std::string>{"minor", "A B&C"}));
    EXPECT_EQ(p[1], (std::pair<std::string, std::string>{"major", "SYSDSN"}));
    EXPECT_EQ(p[2], (std::pair<std::string, std::string>{"report", ""}));
    EXPECT_EQ(p[3], (std::pair<std::string, std::string>{"where", "x=1"}));
    EXPECT_TRUE(serve::parametersOf("/metrics").empty());
}

TEST(RequestParameters, OnlyAPlainReportIsTheReadingsReport) {
    // `report`: the view is asked for the report alone; `filtered`: SQLite
    // then checks every predicate on its rows. Only both true and false
    // answer from the reading's report as it stands.
    struct Case {
        std::string target;
        bool report;
        bool filtered;
        size_t predicates;
    };
    const Case cases[] = {
        {"/c", true, false, 1},
        {"/c?report", true, false, 1},
        {"/c?where=maxwaittm+%3E+5", true, true, 2},          // a condition on the rows only
        {"/c?where=report+%3D+YES", true, true, 1},           // the same predicate, written as a where
        {"/c?enqplex=PRODENQ", false, false, 1},              // the view decides
        {"/c?report&where=enqplex+%3D+MIMPLEX", true, true, 2}, // the report, then SQLite keeps MIMPLEX
        {"/c?report&report", false, false, 2},
        {"/c?where=report+%3D+yes", true, true, 1},           // SQLite compares 'YES' with 'yes': no row
    };
    for (const auto& c : cases) {
        ContentionQuery q;
        std::string error;
        ASSERT_TRUE(serve::contentionQuery(serve::parametersOf(c.target), q, error)) << c.target << ": " << error;
        EXPECT_EQ(q.report, c.report) << c.target;
        EXPECT_EQ(q.filtered, c.filtered) << c.target;
        EXPECT_EQ(q.predicates.size(), c.predicates) << c.target;
    }
    ContentionQuery q;
    std::string error;
    EXPECT_FALSE(serve::contentionQuery(serve::parametersOf("/c?major=TOOLONGNAME&minor=A&enqplex=E"), q, error));
    EXPECT_NE(error.find("8"), std::string::npos) << error;
}

} // namespace
