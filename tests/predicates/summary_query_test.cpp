// The MGLBLENQ summary query text: every piece in its place, its length with
// and without a resource, the AT clause storage, the failure paths, and the
// names of a resource query reaching the data server unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "first_call.h"
#include "query/sql_layer.h"
#include "query/summary_query.h"
#include "support/enterprise_builder.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

namespace {

using host::Operation;
using predtest::field;
using predtest::Started;
using zrxtest::TraceRecorder;

std::string selectList() {
    static const char* const columns[] = {"MAJORNAME", "MINORNAME", "OWNTASKCT", "WAITTASKCT", "MAXWAITTM",
                                          "OWNINGAS",  "WAITINGAS", "SYSNAME",   "SWAPPED",    "TYPE",
                                          "ASID",      "WAITTIME",  "REPORT",    "ORIGINNODE", "ENQPFLAG"};
    std::string text = "SELECT    ";
    for (int i = 0; i < 14; ++i) text += field(std::string("MGLBLENQ.") + columns[i] + ",", 36);
    return text + field(std::string("MGLBLENQ.") + columns[14], 26);
}

const std::string fromClause = "FROM      VELDA.MGLBLENQ            ";

std::string atClause(const std::string& quotedName) {
    return "AT        (\"" + quotedName + "\")" + std::string(18, ' ');
}

// The work area as phase I leaves it before the text is written: the slot
// defined with an empty text, the PlexHub's thru-node, the index values.
void prepare(zrx::workA* w, const std::string& thruNode, const char* major = " ", const char* minor = " ",
             const char* where = "") {
    zrx::resetQueries(w);
    zrx::defineQuery(w, "MGLBLENQ");
    std::memcpy(w->Enqplxs[2].PHThruNodes[3], thruNode.data(), 32);
    std::strcpy(w->idxTbl.majorname, major);
    std::strcpy(w->idxTbl.minorname, minor);
    std::strcpy(w->whereText, where);
}

TEST(SummaryQuery, ReportQueryIsSelectListTableAtClauseAndTerminator) {
    TraceRecorder trace("none setupMglblenqSQL:all");
    Started s;
    prepare(s.w, field("PLXA:THRU", 32));
    const uint64_t before = s.session->storageOutstanding();
    ASSERT_EQ(s.w->SQLtbl[0].colCnt, 0);

    ASSERT_EQ(zrx::setupMglblenqSQL(s.w, 2, 3), 0);
    EXPECT_EQ(selectList().size(), 540u);
    const std::string expected = selectList() + fromClause + atClause(field("PLXA:THRU", 32)) + ";";
    EXPECT_EQ(std::string(s.w->sqlPtr), expected);
    EXPECT_EQ(expected.size(), 641u);
    EXPECT_EQ(s.w->SQLtbl[0].colCnt, 15);
    EXPECT_EQ(s.session->storageOutstanding() - before, 32u + 35u) << "AT clause storage";

    const auto lines = trace.linesOf("setupMglblenqSQL");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "*(workA->sqlPtr) is 0 bytes in length (excluding) the null)");
    EXPECT_EQ(lines[1].rfind("Got ATclause storage at ", 0), 0u);
    EXPECT_EQ(lines[1].size(), 24u + 8u);
    EXPECT_EQ(lines[2], "lenrem is 3451; SQL: " + expected.substr(0, 640));
    EXPECT_EQ(predtest::resultOf(trace, "setupMglblenqSQL"), 0);
}

TEST(SummaryQuery, ResourceQueryEndsWithTheWhereClause) {
    Started s;
    const char* where = "WHERE MGLBLENQ.MAJORNAME = 'SYSDSN' AND MGLBLENQ.MINORNAME = 'PROD.LOAD'";
    prepare(s.w, field("PLXA:THRU", 32), "SYSDSN", "PROD.LOAD", where);
    ASSERT_EQ(zrx::setupMglblenqSQL(s.w, 2, 3), 0);
    const std::string expected = selectList() + fromClause + atClause(field("PLXA:THRU", 32)) + where + ";";
    EXPECT_EQ(std::string(s.w->sqlPtr), expected);
    EXPECT_EQ(expected.size(), 641u + std::strlen(where));
    EXPECT_NE(expected.find("ENQPFLAG         FROM      VELDA.MGLBLENQ            AT        (\"PLXA:THRU"),
              std::string::npos);

    // The longest clause the index values can give still fits the budget.
    const std::string longest = "WHERE MGLBLENQ.MAJORNAME = 'ABCDEFGH' AND MGLBLENQ.MINORNAME = '" +
                                std::string(6, '\'') + std::string(252, 'M') + "'";
    ASSERT_EQ(longest.size(), 323u);
    prepare(s.w, field("PLXA:THRU", 32), "ABCDEFGH", "M", longest.c_str());
    ASSERT_EQ(zrx::setupMglblenqSQL(s.w, 2, 3), 0);
    EXPECT_EQ(std::string(s.w->sqlPtr), selectList() + fromClause + atClause(field("PLXA:THRU", 32)) + longest + ";");
}

TEST(SummaryQuery, ThruNodeNameIsQuotedForItsLiteralAndEndsAtANul) {
    Started s;
    std::string quoteName = field("PL\"X:THRU", 32);
    prepare(s.w, quoteName);
    uint64_t before = s.session->storageOutstanding();
    ASSERT_EQ(zrx::setupMglblenqSQL(s.w, 2, 3), 0);
    const std::string text = s.w->sqlPtr;
    EXPECT_EQ(text, selectList() + fromClause + atClause("PL\"\"X:THRU" + std::string(23, ' ')) + ";");
    EXPECT_EQ(s.session->storageOutstanding() - before, 33u + 35u);
    EXPECT_EQ(predtest::literals(text, host::sql::TokenKind::QuotedString), std::vector<std::string>{quoteName});

    std::string nulName = field("PLXA", 32);
    nulName[4] = '\0';
    prepare(s.w, nulName);
    before = s.session->storageOutstanding();
    ASSERT_EQ(zrx::setupMglblenqSQL(s.w, 2, 3), 0);
    EXPECT_EQ(std::string(s.w->sqlPtr), selectList() + fromClause + atClause("PLXA") + ";");
    EXPECT_EQ(s.session->storageOutstanding() - before, 4u + 35u);
}

TEST(SummaryQuery, NoStorageForTheAtClauseFailsAfterTheTable) {
    TraceRecorder trace("none setupMglblenqSQL:all");
    Started s;
    prepare(s.w, field("PLXA:THRU", 32));
    host::faults(s.fx.host()).failCall(Operation::GetViewStorage, 1, 9);
    EXPECT_EQ(zrx::setupMglblenqSQL(s.w, 2, 3), 1);
    EXPECT_EQ(trace.linesOf("setupMglblenqSQL"),
              (std::vector<std::string>{"*(workA->sqlPtr) is 0 bytes in length (excluding) the null)",
                                        "No storage for AT clause expansion"}));
    EXPECT_EQ(std::string(s.w->sqlPtr), selectList() + fromClause);
    EXPECT_EQ(predtest::resultOf(trace, "setupMglblenqSQL"), 1);

    // Without detail trace the failure is silent.
    trace.clear();
    trace.setLevels("none");
    prepare(s.w, field("PLXA:THRU", 32));
    host::faults(s.fx.host()).failCall(Operation::GetViewStorage, 2, 2);
    EXPECT_EQ(zrx::setupMglblenqSQL(s.w, 2, 3), 1);
    EXPECT_TRUE(trace.lines().empty());
}

TEST(SummaryQuery, TextNeverRunsPastTheSqlBuffer) {
    Started s;
    prepare(s.w, field("PLXA:THRU", 32));
    const int16_t firstCall = s.w->firstCall;
    s.w->sqlPtr = s.w->sqlText + zrx::sqlTextSize - 600; // room for select list and table only
    s.w->sqlPtr[0] = '\0';
    EXPECT_EQ(zrx::setupMglblenqSQL(s.w, 2, 3), 1);
    EXPECT_EQ(std::string(s.w->sqlPtr), selectList() + fromClause);
    EXPECT_EQ(s.w->firstCall, firstCall);

    s.w->sqlPtr = nullptr;
    EXPECT_EQ(zrx::setupMglblenqSQL(s.w, 2, 3), 1);
    s.w->sqlPtr = s.w->sqlText;
    EXPECT_EQ(zrx::setupMglblenqSQL(s.w, zrx::maxENQP, 0), 1);
    EXPECT_EQ(zrx::setupMglblenqSQL(s.w, 0, -1), 1);
}

// A resource query whose names hold apostrophes: the data server receives
// them doubled, reads them back unchanged and answers for that resource only.
TEST(SummaryQuery, ResourceNamesReachTheDataServerQuotedAndUnchanged) {
    TraceRecorder trace("none");
    zrxtest::EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "PLXA:THRU")
        .agent("SYSA:AGENT", "SYSA:THRU")
        .member("PLXA:THRU", "SYSA", "PLEX1")
        .summary("PLXA:THRU", {"O'BRIEN", "OTHER", "JOB0", "", "SYSA"})
        .summary("PLXA:THRU", {"O'BRIEN", "X')OR('A'='A", "JOB1", "", "SYSA"})
        .summary("PLXA:THRU", {"SYSDSN", "A", "JOB2", "", "SYSA"});
    zrxtest::HostFixture fx(b.sql());
    const auto run = fx.run(zrxtest::HostFixture::resource("O'BRIEN", "X')OR('A'='A", "PLEX1"));
    ASSERT_EQ(run.requests, (std::vector<int32_t>{0, noMoreRows}));
    ASSERT_EQ(run.rows.size(), 1u);
    EXPECT_EQ(zrxtest::trimmed(run.rows[0].owningas), "JOB1");
    EXPECT_EQ(zrxtest::trimmed(run.rows[0].minorname), "X')OR('A'='A");

    std::string summary;
    for (const auto& text : fx.host().statements())
        if (text.find("VELDA.MGLBLENQ") != std::string::npos) summary = text;
    ASSERT_FALSE(summary.empty());
    EXPECT_EQ(summary, selectList() + fromClause + atClause(field("PLXA:THRU", 32)) +
                           "WHERE MGLBLENQ.MAJORNAME = 'O''BRIEN' AND MGLBLENQ.MINORNAME = 'X'')OR(''A''=''A';");
    EXPECT_EQ(predtest::literals(summary, host::sql::TokenKind::String),
              (std::vector<std::string>{"O'BRIEN", "X')OR('A'='A"}));
}

} // namespace
