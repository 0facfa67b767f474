// The caller's index predicates as the first request call reads them: the
// values kept in idxTbl, the two valid combinations, every refusal with its
// line, and the WHERE clause with its names quoted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "first_call.h"
#include "zrx/status.h"

using zrx::entry::viewAbandoned;

namespace {

using host::Predicate;
using predtest::FirstCall;
using predtest::resultOf;
using zrxtest::TraceRecorder;

const std::string fourValues =
    "MAJORNAME: \"%s\"\n" + std::string(41, ' ') + "MINORNAME: \"%s\"\n" + std::string(41, ' ') +
    "ENQPLEX:   \"%s\"\n" + std::string(41, ' ') + "REPORT:    \"%c\"\n";

std::string valuesLine(const std::string& major, const std::string& minor, const std::string& enqplex,
                       char report) {
    char buf[2048];
    std::snprintf(buf, sizeof buf, fourValues.c_str(), major.c_str(), minor.c_str(), enqplex.c_str(), report);
    return buf;
}

size_t quotedLength(const std::string& s) {
    return s.size() + static_cast<size_t>(std::count(s.begin(), s.end(), '\''));
}

class IndexPredicates : public ::testing::Test {
protected:
    TraceRecorder trace{"none setupIndices:all"};
};

TEST_F(IndexPredicates, ReportAloneIsValidWithAnEmptyWhereClause) {
    FirstCall call({{"REPORT", zrx::IndexOp::EQ, "YES"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0);
    const zrx::IdxTbl& idx = call.w->idxTbl;
    EXPECT_STREQ(idx.majorname, " ");
    EXPECT_STREQ(idx.minorname, " ");
    EXPECT_STREQ(idx.enqplex, "        ");
    EXPECT_EQ(idx.idxReport, 'Y');
    EXPECT_STREQ(call.w->whereText, "");
    EXPECT_EQ(trace.linesOf("setupIndices"),
              (std::vector<std::string>{"Got Index-1;  GetParm status='0'\n",
                                        "OP: EQ    COL: REPORT                    VAL: YES",
                                        "idxTbl[3] value is YES", valuesLine(" ", " ", "        ", 'Y')}));
    EXPECT_FALSE(trace.hasLine("Invalid Indices; Abandoning View"));
}

TEST_F(IndexPredicates, OneResourceInOneEnqplexBuildsTheWhereClause) {
    FirstCall call({{"MAJORNAME", zrx::IndexOp::EQ, "SYSDSN"}, {"MINORNAME", zrx::IndexOp::EQ, "PROD.LOAD"}, {"ENQPLEX", zrx::IndexOp::EQ, "PLEX1"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0);
    EXPECT_STREQ(call.w->idxTbl.majorname, "SYSDSN");
    EXPECT_STREQ(call.w->idxTbl.minorname, "PROD.LOAD");
    EXPECT_STREQ(call.w->idxTbl.enqplex, "PLEX1   ");
    EXPECT_EQ(call.w->idxTbl.idxReport, ' ');
    const std::string where = "WHERE MGLBLENQ.MAJORNAME = 'SYSDSN' AND MGLBLENQ.MINORNAME = 'PROD.LOAD'";
    EXPECT_EQ(std::string(call.w->whereText), where);
    const auto lines = trace.linesOf("setupIndices");
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[1], "OP: EQ    COL: MAJORNAME                 VAL: SYSDSN");
    EXPECT_EQ(lines[2], "idxTbl[0] value is SYSDSN");
    EXPECT_EQ(lines[5], "idxTbl[1] value is PROD.LOAD");
    EXPECT_EQ(lines[6], "Got Index-3;  GetParm status='0'\n");
    EXPECT_EQ(lines[8], "idxTbl[2] value is PLEX1   ");
    EXPECT_EQ(lines[9], valuesLine("SYSDSN", "PROD.LOAD", "PLEX1   ", ' '));
    EXPECT_EQ(lines[10], "The WHERE clause is ...\n\"" + where + "\"");
}

TEST_F(IndexPredicates, WrongOperatorOnAnIndexColumnStopsAtOnce) {
    FirstCall call({{"MAJORNAME", zrx::IndexOp::NE, "SYSDSN"}, {"REPORT", zrx::IndexOp::EQ, "YES"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 1);
    EXPECT_EQ(call.status, viewAbandoned);
    EXPECT_EQ(trace.linesOf("setupIndices"),
              (std::vector<std::string>{"Got Index-1;  GetParm status='0'\n",
                                        "OP: NE    COL: MAJORNAME                 VAL: SYSDSN",
                                        "index operator must be \"=\"(EQ)"}));
    EXPECT_EQ(trace.linesOf("enqmlcpr"), std::vector<std::string>{"Invalid Indices; Abandoning View"});
    EXPECT_STREQ(call.w->idxTbl.majorname, " ") << "the refused value is not stored";

    trace.clear();
    trace.setLevels("none");
    FirstCall quiet({{"REPORT", zrx::IndexOp::LIKE, "YES"}});
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"setupIndices: index operator must be \"=\"(EQ)",
                                                       "enqmlcpr: Invalid Indices; Abandoning View"}));
}

TEST_F(IndexPredicates, UnknownColumnsAreReportedIgnoredAndCountedWhateverTheOperator) {
    std::vector<Predicate> predicates;
    for (int16_t op = 0; op <= 11; ++op) predicates.push_back({"SYSNAME", static_cast<zrx::IndexOp>(op), "SYSA"});
    predicates.push_back({"majorname", zrx::IndexOp::EQ, "LOWER"});
    predicates.push_back({"REPORT", zrx::IndexOp::EQ, "YES"});
    FirstCall call(predicates);
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0);
    EXPECT_EQ(trace.count("Unrecognized or unsupported index column \"SYSNAME\""), 12u);
    EXPECT_TRUE(trace.hasLine("Unrecognized or unsupported index column \"majorname\""));
    const char* const names[] = {"HUH?", "EQ", "NE", "GE", "LE", "LT", "GT", "OR", "AND", "NOT", "LIKE", "HUH?"};
    for (int op = 0; op <= 11; ++op)
        EXPECT_TRUE(trace.hasLine(std::string("OP: ") + names[op] + std::string(4 - std::strlen(names[op]), ' ') +
                                  "  COL: SYSNAME                   VAL: SYSA"))
            << names[op];
    EXPECT_TRUE(trace.hasLine("Got Index-14;  GetParm status='0'\n"));
    EXPECT_STREQ(call.w->idxTbl.majorname, " ");

    // Refusals are written whatever the trace level.
    trace.clear();
    trace.setLevels("none");
    FirstCall alone({{"SYSNAME", zrx::IndexOp::EQ, "SYSA"}});
    EXPECT_TRUE(trace.hasLine("Unrecognized or unsupported index column \"SYSNAME\""));
    EXPECT_FALSE(trace.hasLine("No Indexing Specified")) << "the unknown predicate still counts";
    EXPECT_TRUE(trace.hasLine("Invalid Combination of Index Values"));
    EXPECT_EQ(alone.status, viewAbandoned);
}

TEST_F(IndexPredicates, NoPredicateAtAllIsRefused) {
    FirstCall call({});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 1);
    EXPECT_EQ(trace.linesOf("setupIndices"),
              (std::vector<std::string>{valuesLine(" ", " ", "        ", ' '), "No Indexing Specified"}));
    EXPECT_EQ(trace.linesOf("enqmlcpr"), std::vector<std::string>{"Invalid Indices; Abandoning View"});
    EXPECT_EQ(call.status, viewAbandoned);
}

TEST_F(IndexPredicates, OnlyTheTwoCombinationsAreValid) {
    const std::vector<std::pair<const char*, std::vector<Predicate>>> invalid = {
        {"report and resource", {{"MAJORNAME", zrx::IndexOp::EQ, "A"}, {"MINORNAME", zrx::IndexOp::EQ, "B"}, {"ENQPLEX", zrx::IndexOp::EQ, "P"}, {"REPORT", zrx::IndexOp::EQ, "YES"}}},
        {"report and Enqplex", {{"ENQPLEX", zrx::IndexOp::EQ, "P"}, {"REPORT", zrx::IndexOp::EQ, "YES"}}},
        {"no Enqplex", {{"MAJORNAME", zrx::IndexOp::EQ, "A"}, {"MINORNAME", zrx::IndexOp::EQ, "B"}}},
        {"no minor name", {{"MAJORNAME", zrx::IndexOp::EQ, "A"}, {"ENQPLEX", zrx::IndexOp::EQ, "P"}}},
        {"no major name", {{"MINORNAME", zrx::IndexOp::EQ, "B"}, {"ENQPLEX", zrx::IndexOp::EQ, "P"}}},
        {"Enqplex alone", {{"ENQPLEX", zrx::IndexOp::EQ, "P"}}},
        {"blank-led Enqplex", {{"MAJORNAME", zrx::IndexOp::EQ, "A"}, {"MINORNAME", zrx::IndexOp::EQ, "B"}, {"ENQPLEX", zrx::IndexOp::EQ, " P"}}},
        {"empty Enqplex", {{"MAJORNAME", zrx::IndexOp::EQ, "A"}, {"MINORNAME", zrx::IndexOp::EQ, "B"}, {"ENQPLEX", zrx::IndexOp::EQ, ""}}},
        {"report in lower case", {{"REPORT", zrx::IndexOp::EQ, "yes"}}},
        {"report Y", {{"REPORT", zrx::IndexOp::EQ, "Y"}}},
        {"report cut at a blank", {{"REPORT", zrx::IndexOp::EQ, "YE S"}}},
    };
    trace.setLevels("none");
    for (const auto& [name, predicates] : invalid) {
        trace.clear();
        FirstCall call(predicates);
        EXPECT_EQ(trace.count("Invalid Combination of Index Values"), 1u) << name;
        EXPECT_EQ(call.status, viewAbandoned) << name;
        EXPECT_STREQ(call.w->whereText, "") << name;
    }
}

TEST_F(IndexPredicates, ValuesAreCutAtTheFirstBlankOrTheColumnWidthButMinorNamesKeepTheirBlanks) {
    FirstCall call({{"MAJORNAME", zrx::IndexOp::EQ, "ABCDEFGHIJ"},
                    {"MINORNAME", zrx::IndexOp::EQ, std::string(300, 'M')},
                    {"ENQPLEX", zrx::IndexOp::EQ, "PLEXNAME99"},
                    {"REPORT", zrx::IndexOp::EQ, "YESPLEASE"}});
    EXPECT_STREQ(call.w->idxTbl.majorname, "ABCDEFGH");
    EXPECT_EQ(std::string(call.w->idxTbl.minorname), std::string(255, 'M'));
    EXPECT_STREQ(call.w->idxTbl.enqplex, "PLEXNAME");
    EXPECT_EQ(call.w->idxTbl.idxReport, 'Y') << "REPORT is cut to YES";
    EXPECT_TRUE(trace.hasLine("Invalid Combination of Index Values"));

    trace.clear();
    FirstCall blanks({{"MAJORNAME", zrx::IndexOp::EQ, ""}, {"MINORNAME", zrx::IndexOp::EQ, "ABCD EFG   "}, {"ENQPLEX", zrx::IndexOp::EQ, "P1 X"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0) << "an empty major name counts as given";
    EXPECT_STREQ(blanks.w->idxTbl.majorname, "");
    EXPECT_STREQ(blanks.w->idxTbl.minorname, "ABCD EFG") << "only the padding goes";
    EXPECT_STREQ(blanks.w->idxTbl.enqplex, "P1      ");
    EXPECT_STREQ(blanks.w->whereText, "WHERE MGLBLENQ.MAJORNAME = '' AND MGLBLENQ.MINORNAME = 'ABCD EFG'");

    trace.clear();
    const std::string member = "PAY.PROD.SOURCE" + std::string(29, ' ') + "PAYCALC ";
    FirstCall spfedit({{"MAJORNAME", zrx::IndexOp::EQ, "SPFEDIT "}, {"MINORNAME", zrx::IndexOp::EQ, member}, {"ENQPLEX", zrx::IndexOp::EQ, "PRODENQ "}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0);
    EXPECT_STREQ(spfedit.w->idxTbl.majorname, "SPFEDIT");
    EXPECT_EQ(std::string(spfedit.w->idxTbl.minorname), member.substr(0, member.size() - 1));

    trace.clear();
    FirstCall led({{"MAJORNAME", zrx::IndexOp::EQ, "A"}, {"MINORNAME", zrx::IndexOp::EQ, " lead"}, {"ENQPLEX", zrx::IndexOp::EQ, "P"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0);
    EXPECT_STREQ(led.w->idxTbl.minorname, "");
    EXPECT_STREQ(led.w->whereText, "WHERE MGLBLENQ.MAJORNAME = 'A' AND MGLBLENQ.MINORNAME = ''");
}

TEST_F(IndexPredicates, TheLastOfRepeatedPredicatesWins) {
    FirstCall call({{"ENQPLEX", zrx::IndexOp::EQ, "ABCDEFGH"},
                    {"MAJORNAME", zrx::IndexOp::EQ, "LONGNAME"},
                    {"MINORNAME", zrx::IndexOp::EQ, "FIRST"},
                    {"ENQPLEX", zrx::IndexOp::EQ, "XY"},
                    {"MAJORNAME", zrx::IndexOp::EQ, "AB"},
                    {"MINORNAME", zrx::IndexOp::EQ, "Q"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0);
    EXPECT_STREQ(call.w->idxTbl.enqplex, "XY      ") << "not XYCDEFGH";
    EXPECT_TRUE(trace.hasLine("idxTbl[2] value is XY      "));
    EXPECT_STREQ(call.w->idxTbl.majorname, "AB");
    EXPECT_STREQ(call.w->whereText, "WHERE MGLBLENQ.MAJORNAME = 'AB' AND MGLBLENQ.MINORNAME = 'Q'");
}

TEST_F(IndexPredicates, AnEmptyOrBlankLedLaterEnqplexLeavesTheEarlierOne) {
    FirstCall kept({{"MAJORNAME", zrx::IndexOp::EQ, "A"},
                    {"MINORNAME", zrx::IndexOp::EQ, "B"},
                    {"ENQPLEX", zrx::IndexOp::EQ, "PRODENQ"},
                    {"ENQPLEX", zrx::IndexOp::EQ, ""},
                    {"ENQPLEX", zrx::IndexOp::EQ, " XY"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0);
    EXPECT_STREQ(kept.w->idxTbl.enqplex, "PRODENQ ");
    EXPECT_EQ(trace.count("idxTbl[2] value is PRODENQ "), 3u);

    trace.clear();
    FirstCall stillGiven({{"ENQPLEX", zrx::IndexOp::EQ, "ABCDEFGH"}, {"ENQPLEX", zrx::IndexOp::EQ, ""}, {"REPORT", zrx::IndexOp::EQ, "YES"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 1) << "a report names no Enqplex";
    EXPECT_STREQ(stillGiven.w->idxTbl.enqplex, "ABCDEFGH");
    EXPECT_TRUE(trace.hasLine("Invalid Combination of Index Values"));
}

TEST_F(IndexPredicates, ApostrophesAreDoubledInTheWhereClause) {
    FirstCall call({{"MAJORNAME", zrx::IndexOp::EQ, "O'BRIEN"}, {"MINORNAME", zrx::IndexOp::EQ, "X')OR('A'='A"}, {"ENQPLEX", zrx::IndexOp::EQ, "P"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0);
    EXPECT_STREQ(call.w->idxTbl.majorname, "O'BRIEN") << "idxTbl keeps the value as given";
    const std::string where = call.w->whereText;
    EXPECT_EQ(where, "WHERE MGLBLENQ.MAJORNAME = 'O''BRIEN' AND MGLBLENQ.MINORNAME = 'X'')OR(''A''=''A'");
    EXPECT_EQ(predtest::literals(where, host::sql::TokenKind::String),
              (std::vector<std::string>{"O'BRIEN", "X')OR('A'='A"}));
}

TEST_F(IndexPredicates, QuotedWhereClauseThatDoesNotFitIsRefusedNeverCut) {
    // 57 characters around the names; whereText holds 323 and a NUL.
    const std::string fits = std::string(3, '\'') + std::string(252, 'M');
    FirstCall call({{"MAJORNAME", zrx::IndexOp::EQ, "ABCDEFGH"}, {"MINORNAME", zrx::IndexOp::EQ, fits}, {"ENQPLEX", zrx::IndexOp::EQ, "P"}});
    EXPECT_EQ(resultOf(trace, "setupIndices"), 0);
    EXPECT_EQ(std::strlen(call.w->whereText), 323u);
    EXPECT_EQ(predtest::literals(call.w->whereText, host::sql::TokenKind::String),
              (std::vector<std::string>{"ABCDEFGH", fits}));

    const std::vector<std::pair<std::string, std::string>> tooLong = {
        {"ABCDEFGH", std::string(4, '\'') + std::string(251, 'M')},
        {"''''''''", std::string(251, 'M')},
        {"A", std::string(255, '\'')},
    };
    trace.setLevels("none");
    for (const auto& [major, minor] : tooLong) {
        trace.clear();
        FirstCall refused({{"MAJORNAME", zrx::IndexOp::EQ, major}, {"MINORNAME", zrx::IndexOp::EQ, minor}, {"ENQPLEX", zrx::IndexOp::EQ, "P"}});
        EXPECT_EQ(refused.status, viewAbandoned);
        const size_t length = 57 + quotedLength(major) + quotedLength(minor);
        EXPECT_TRUE(trace.hasLine("Index values too long for the WHERE clause once quoted (" +
                                  std::to_string(length) + " characters, at most 323)"))
            << major;
        EXPECT_EQ(trace.linesOf("enqmlcpr"), std::vector<std::string>{"Invalid Indices; Abandoning View"});
        EXPECT_STREQ(refused.w->whereText, "");
        EXPECT_TRUE(refused.fx.host().statements().empty()) << "no query is sent";
    }
}

} // namespace
