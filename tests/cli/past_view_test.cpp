// Answering a query from a stored sample: the index predicates read as the
// view reads them, and a refusal where the stored rows cannot answer.
#include <gtest/gtest.h>

#include <cstring>

#include "cli/past_view.h"

namespace {

using cli::answerFromSample;
using cli::PastOutcome;
constexpr zrx::IndexOp EQ = zrx::IndexOp::EQ, NE = zrx::IndexOp::NE, GE = zrx::IndexOp::GE;

template <size_t N>
void put(char (&field)[N], const std::string& text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

zrx::MentrenqRow row(const std::string& major, const std::string& minor, const std::string& owner) {
    zrx::MentrenqRow r{};
    put(r.majorname, major);
    put(r.minorname, minor);
    put(r.enqplex, "PLEXA");
    put(r.owningas, owner);
    put(r.waitingas, "");
    put(r.sysname, "SYSA");
    put(r.report, "");
    put(r.originnode, "");
    put(r.plxname, "");
    return r;
}

history::Sample sample() {
    history::Sample s;
    s.status = zrx::entry::noMoreRows;
    s.enqplexes = {"PLEXA"};
    s.report = {row("SYSDSN", "A.B", ""), row("SPFEDIT", "LIB  MEMBER", "")};
    history::SampleResource first, second;
    first.rows = {row("SYSDSN", "A.B", "OWNER")};
    second.detailStatus = 0;
    second.unavailable = "its minor name holds a NUL byte, which a query for one resource cannot carry";
    s.resources = {first, second};
    return s;
}

PastOutcome ask(const history::Sample& s, std::vector<host::Predicate> predicates, cli::ViewResult& result,
                std::string& message) {
    return answerFromSample(s, predicates, result, message);
}

TEST(PastView, IndexPredicatesAreReadAsTheViewReadsThem) {
    cli::ViewResult result;
    std::string message;
    // The major name ends at its first blank and at 8 characters; the minor
    // keeps its own blanks; a later Enqplex replaces an earlier one.
    ASSERT_EQ(ask(sample(),
                  {{"MAJORNAME", EQ, "SYSDSN  X"}, {"ENQPLEX", EQ, "OTHER"}, {"MINORNAME", EQ, "A.B   "},
                   {"ENQPLEX", EQ, "PLEXA"}, {"ENQPLEX", EQ, " "}, {"WAITTIME", GE, "5"}},
                  result, message),
              PastOutcome::Answered);
    EXPECT_EQ(result.status, zrx::entry::noMoreRows);
    ASSERT_EQ(result.rows.size(), 1u);

    for (const std::vector<host::Predicate>& invalid : std::vector<std::vector<host::Predicate>>{
             {},
             {{"WAITTIME", EQ, "5"}},
             {{"REPORT", EQ, "YES"}, {"ENQPLEX", EQ, "PLEXA"}},
             {{"REPORT", NE, "YES"}},
             {{"MAJORNAME", EQ, "SYSDSN"}, {"MINORNAME", EQ, "A.B"}},
             {{"MAJORNAME", EQ, "SYSDSN"}, {"MINORNAME", EQ, " A.B"}, {"ENQPLEX", EQ, "PLEXA"}},
             {{"MAJORNAME", EQ, "SYSDSN"}, {"MINORNAME", EQ, std::string(240, '\'')}, {"ENQPLEX", EQ, "PLEXA"}},
         }) {
        ASSERT_EQ(ask(sample(), invalid, result, message), PastOutcome::Answered);
        EXPECT_EQ(result.status, zrx::entry::viewAbandoned);
        EXPECT_EQ(result.abandonReason, zrx::Abandon::InvalidIndices);
        EXPECT_EQ(message, "status 71: view abandoned (invalid index predicates)");
        EXPECT_TRUE(result.rows.empty());
    }
}

TEST(PastView, AResourceNotInTheReportHadNoRows) {
    cli::ViewResult result;
    std::string message;
    ASSERT_EQ(ask(sample(), {{"MAJORNAME", EQ, "SYSDSN"}, {"MINORNAME", EQ, "OTHER"}, {"ENQPLEX", EQ, "PLEXA"}}, result,
                  message),
              PastOutcome::Answered);
    EXPECT_EQ(result.status, zrx::entry::noMoreRows);
    EXPECT_TRUE(result.rows.empty());
}

TEST(PastView, WhatTheStoredRowsCannotAnswerIsRefused) {
    cli::ViewResult result;
    std::string message;
    EXPECT_EQ(ask(sample(), {{"MAJORNAME", EQ, "SPFEDIT"}, {"MINORNAME", EQ, "LIB  MEMBER"}, {"ENQPLEX", EQ, "PLEXA"}},
                  result, message),
              PastOutcome::Refused);
    EXPECT_NE(message.find("holds no rows of that resource: its minor name holds a NUL byte"), std::string::npos)
        << message;

    history::Sample failed = sample();
    failed.status = zrx::entry::viewAbandoned;
    failed.reason = "status 71: view abandoned (more than 10000 summary and detail rows)";
    EXPECT_EQ(ask(failed, {{"MAJORNAME", EQ, "SYSDSN"}, {"MINORNAME", EQ, "A.B"}, {"ENQPLEX", EQ, "PLEXA"}}, result,
                  message),
              PastOutcome::Refused);
    EXPECT_NE(message.find("failed (status 71: view abandoned (more than 10000"), std::string::npos) << message;
    // Its report, though, is what the view handed out before it failed.
    ASSERT_EQ(ask(failed, {{"REPORT", EQ, "YES"}}, result, message), PastOutcome::Answered);
    EXPECT_EQ(result.status, zrx::entry::viewAbandoned);
    EXPECT_EQ(result.rows.size(), 2u);
    EXPECT_EQ(message, failed.reason);

    history::Sample unread;
    unread.reason = "no snapshot file gone.db";
    EXPECT_EQ(ask(unread, {{"REPORT", EQ, "YES"}}, result, message), PastOutcome::Refused);
    EXPECT_NE(message.find("the view did not run"), std::string::npos);
}

} // namespace
