// Detail query batching: the statement's prefix, predicates and tail, the
// 4096-character boundary, the reuse of the prefix, the flush, the failure
// paths, and names that must reach the agent quoted and unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "aggregate/detail_batch.h"
#include "query/sql_layer.h"
#include "sql/tokenizer.h"
#include "support/enterprise_builder.h"
#include "support/trace_recorder.h"
#include "work_session.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

namespace {

using aggtest::chain;
using aggtest::field;
using aggtest::setName;
using aggtest::Started;
using aggtest::whole;
using host::Operation;
using zrxtest::TraceRecorder;

const std::string injection = "X' ) OR ( 'A' = 'A";
const std::string apostrophes(255, '\'');

std::string scenario() {
    zrxtest::EnterpriseBuilder b;
    b.resource("SYSA:THRU", 1, "SYSDSN", "PROD.LOAD")
        .task("SYSA:THRU", {1, true, "JOB1", "SYSA", 0, 0x21, 0, 0})
        .task("SYSA:THRU", {1, false, "JOB2", "SYSA", 0, 0x22, 700, 0})
        .resource("SYSA:THRU", 2, "O'BRIEN", injection)
        .task("SYSA:THRU", {2, true, "JOBQ", "SYSA"})
        .resource("SYSA:THRU", 3, "O'BRIEN", "DECOY")
        .task("SYSA:THRU", {3, true, "JOBD", "SYSA"})
        .resource("SYSA:THRU", 4, "APOS", apostrophes)
        .task("SYSA:THRU", {4, false, "JOBA", "SYSA"})
        .resource("SYSA", 5, "SHORT", "NODE")
        .task("SYSA", {5, true, "JOBS", "SYSA"})
        .resource("SYS\"A", 6, "SHORT", "NODE")
        .task("SYS\"A", {6, true, "JOBQUOTE", "SYSA"});
    return b.sql();
}

std::string doubled(const std::string& s, char q) {
    std::string out;
    for (char c : s) {
        out += c;
        if (c == q) out += q;
    }
    return out;
}

std::string prefix(const std::string& quotedThruNode) {
    return " SELECT ENQ_RESRC.MAJOR_NAME,  ENQ_RESRC.MINOR_NAME,  ENQ_TASKS.STATUS,  ENQ_TASKS.JOBNAME,"
           "  ENQ_TASKS.SWAPPED,  ENQ_TASKS.TYPE,  ENQ_TASKS.ASID,  ENQ_TASKS.SYSNAME,  ENQ_TASKS.WAIT_TIME,"
           "  ENQ_TASKS.ENQPFLAG  FROM VELDA.ENQ_RESRC,  VELDA.ENQ_TASKS  AT (\"" +
           quotedThruNode + "\")  WHERE ENQ_RESRC.RIB = ENQ_TASKS.RIB  AND  ( ";
}

const std::string tail = " )  AND  SYSTEM.PARMA(\"REQ_TYPE\", \"GENQ\", 4) ;";

std::string predicate(const std::string& major, const std::string& minor) {
    const std::string m = zrxtest::trimmed(minor);
    return "( ENQ_RESRC.MAJOR_NAME = '" + doubled(field(major, 8), '\'') + "' AND ENQ_RESRC.MINOR_NAME = '" +
           doubled(m, '\'') + "' ) ";
}

std::string statement(const std::vector<std::string>& predicates, const std::string& thru = field("SYSA:THRU", 32)) {
    std::string text = prefix(thru);
    for (std::size_t i = 0; i < predicates.size(); ++i) text += (i ? "OR " : "") + predicates[i];
    return text + tail;
}

class Batching : public ::testing::Test {
protected:
    Batching() : s(scenario()) {
        aggtest::setEnqplex(s.w, 0, "PLEX0", {"SYSA", "SYSB"});
        s.w->curEnqpI = 0;
        zrx::resetQueries(s.w);
        zrx::defineQuery(s.w, "ENQSTUFF");
        std::memcpy(zrx::curNode(s.w), "PLXA    ", 8);
    }

    zrx::SORow* row(const std::string& major, const std::string& minor) {
        zrx::SORow& r = rows.emplace_back();
        std::memset(&r, 0, sizeof r);
        setName(r.majorname, major);
        setName(r.minorname, minor);
        return &r;
    }
    int32_t add(const std::string& major, const std::string& minor, int system = 0) {
        return zrx::DQSQLW(s.w, 0, system, row(major, minor));
    }
    int32_t flush() { return zrx::DQSQLW(s.w, 0, 0, nullptr); }
    std::string text() const { return s.w->sqlText; }
    const std::vector<std::string>& sent() { return s.fx.host().statements(); }
    std::string resourceName(int i) const {
        char buf[9];
        std::snprintf(buf, sizeof buf, "R%07d", i);
        return buf;
    }

    Started s;
    std::deque<zrx::SORow> rows;
};

TEST_F(Batching, AStatementStartsWithThePrefixRoutedAtTheSystemsThruNode) {
    TraceRecorder trace("none DQSQLI:all");
    EXPECT_EQ(zrx::DQSQLI(s.w, 0, 0), 0);
    const std::string expected = prefix(field("SYSA:THRU", 32));
    EXPECT_EQ(expected.size(), 334u);
    EXPECT_EQ(text(), expected);
    EXPECT_EQ(s.w->predStart, 334);
    EXPECT_EQ(s.w->predNext, 334);
    EXPECT_EQ(s.w->lenrem, 3762);
    EXPECT_EQ(s.w->SQLtbl[0].colCnt, 10);
    EXPECT_EQ(trace.events(), (std::vector<std::string>{"> DQSQLI", "< DQSQLI = 0"}));
    EXPECT_TRUE(sent().empty());
}

TEST_F(Batching, PredicatesAreJoinedByOrAndTheFlushRunsAndMergesTheStatement) {
    TraceRecorder trace("none DQSQLW:all DQSQLX:all");
    ASSERT_EQ(add("SYSDSN", "PROD.LOAD"), 0);
    ASSERT_EQ(add("NOSUCH", ""), 0);
    const std::string first = predicate("SYSDSN", "PROD.LOAD");
    EXPECT_EQ(text(), prefix(field("SYSA:THRU", 32)) + first + "OR " + predicate("NOSUCH", "") + "OR ");
    EXPECT_NE(text().find("MINOR_NAME = '' ) OR "), std::string::npos) << "an all-blank minor name";
    EXPECT_EQ(s.w->predEnd, 334 + 77 + 3 + 68);
    EXPECT_EQ(s.w->predNext, s.w->predEnd + 3);
    EXPECT_EQ(s.w->lenrem, 4096 - s.w->predNext);
    EXPECT_TRUE(sent().empty()) << "nothing is sent before the flush";

    ASSERT_EQ(flush(), 0);
    const std::string expected = statement({first, predicate("NOSUCH", "")});
    EXPECT_EQ(sent(), std::vector<std::string>{expected});
    EXPECT_EQ(s.w->sqlText[0], '\0');
    EXPECT_EQ(trace.linesOf("DQSQLX"), std::vector<std::string>{"DQSQLX: The SQL buffer is ||" + expected + "||"});
    EXPECT_EQ(s.session->live().requests, 0);
    EXPECT_EQ(s.session->live().plans, 0);
    EXPECT_EQ(s.session->live().paths, 1);

    // The rows came back through the merge, into Enqplex 0.
    const auto resources = chain(s.w->Enqplxs[0].SOR1st);
    ASSERT_EQ(resources.size(), 1u);
    EXPECT_EQ(whole(resources[0]->minorname), field("PROD.LOAD", 255));
    const auto tasks = chain(resources[0]->DOR1st);
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(whole(tasks[0]->owningas), "JOB1    ");
    EXPECT_EQ(whole(tasks[1]->waitingas), "JOB2    ");
    EXPECT_EQ(whole(tasks[1]->owningas), "        ");
    EXPECT_EQ(whole(tasks[1]->plxname), "PLXA    ");
    EXPECT_EQ(whole(tasks[1]->originnode), field("", 32));
    EXPECT_EQ(resources[0]->maxwaittm, 700);
}

TEST_F(Batching, FiftyTwoShortPredicatesFitAndTheFiftyThirdSendsThem) {
    TraceRecorder trace("none DQSQLI:events");
    std::vector<std::string> predicates;
    for (int i = 1; i <= 52; ++i) {
        ASSERT_EQ(add(resourceName(i), ""), 0);
        predicates.push_back(predicate(resourceName(i), ""));
        ASSERT_EQ(predicates.back().size(), 68u);
    }
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(s.w->predNext, 334 + 52 * 71);
    EXPECT_EQ(s.w->lenrem, 70);

    ASSERT_EQ(add(resourceName(53), ""), 0);
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0], statement(predicates));
    EXPECT_EQ(sent()[0].size(), 4069u);
    EXPECT_EQ(s.w->predStart, 334);
    EXPECT_EQ(s.w->predEnd, 334 + 68);
    EXPECT_EQ(text().substr(0, 334 + 68), prefix(field("SYSA:THRU", 32)) + predicate(resourceName(53), ""));

    ASSERT_EQ(flush(), 0);
    ASSERT_EQ(sent().size(), 2u);
    EXPECT_EQ(sent()[1], statement({predicate(resourceName(53), "")}));
    EXPECT_EQ(trace.events(), (std::vector<std::string>{"> DQSQLI", "< DQSQLI = 0"})) << "the prefix is reused";
}

TEST_F(Batching, AStatementMayReachExactly4096Characters) {
    for (int i = 1; i <= 51; ++i) ASSERT_EQ(add(resourceName(i), ""), 0);
    ASSERT_EQ(add("LAST", std::string(27, 'M')), 0);
    EXPECT_TRUE(sent().empty());
    ASSERT_EQ(flush(), 0);
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0].size(), 4096u);

    for (int i = 1; i <= 51; ++i) ASSERT_EQ(add(resourceName(i), ""), 0);
    ASSERT_EQ(add("LAST", std::string(28, 'M')), 0);
    ASSERT_EQ(sent().size(), 2u) << "one character more does not fit";
    EXPECT_EQ(sent()[1].size(), 334u + 51 * 68 + 50 * 3 + 46);
    ASSERT_EQ(flush(), 0);
    EXPECT_EQ(sent()[2], statement({predicate("LAST", std::string(28, 'M'))}));
}

TEST_F(Batching, AFullLengthMinorNameGivesThe323CharacterPredicate) {
    const std::string minor(255, 'M');
    ASSERT_EQ(add(resourceName(0), minor), 0);
    EXPECT_EQ(s.w->predEnd - s.w->predStart, 323);
    for (int i = 1; i < 11; ++i) ASSERT_EQ(add(resourceName(i), minor), 0);
    EXPECT_EQ(s.w->predNext, 334 + 11 * 326);
    EXPECT_TRUE(sent().empty());
    ASSERT_EQ(add(resourceName(11), minor), 0);
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0].size(), 334u + 11 * 323 + 10 * 3 + 46);
    EXPECT_EQ(predicate(resourceName(0), minor).size(), 323u);
    EXPECT_EQ(sent()[0].substr(334, 323), predicate(resourceName(0), minor));
}

TEST_F(Batching, AnEmptyFlushMakesNoHostCall) {
    TraceRecorder trace("none DQSQLW:all");
    std::vector<uint64_t> before;
    for (Operation op : host::allOperations) before.push_back(host::faults(s.fx.host()).calls(op));
    EXPECT_EQ(flush(), 0);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(host::faults(s.fx.host()).calls(host::allOperations[i]), before[i]);
    EXPECT_EQ(trace.linesOf("DQSQLW"),
              std::vector<std::string>{"DQSQLW called with NULL pointer but SQL string is empty."});
    EXPECT_EQ(trace.events(), (std::vector<std::string>{"> DQSQLW", "< DQSQLW = 0"}));
}

TEST_F(Batching, AFailingRunOfAFullStatementLeavesItsText) {
    TraceRecorder trace("none");
    for (int i = 1; i <= 52; ++i) ASSERT_EQ(add(resourceName(i), ""), 0);
    std::vector<std::string> predicates;
    for (int i = 1; i <= 52; ++i) predicates.push_back(predicate(resourceName(i), ""));
    const int32_t predNext = s.w->predNext;
    host::faults(s.fx.host()).failCall(Operation::CreateAccessPlan, 1, 6);
    EXPECT_EQ(add(resourceName(53), ""), 1);
    EXPECT_EQ(text(), statement(predicates));
    EXPECT_EQ(s.w->predNext, predNext);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"DQSQLX: createReq failure(6)",
                                                       "DQSQLX: DQSQLX: The SQL buffer is ||" +
                                                           statement(predicates) + "||"}));
    EXPECT_EQ(s.session->live().paths, 0) << "the path is dropped";
    EXPECT_FALSE(s.session->live().any());
}

TEST_F(Batching, AFailingFlushStillEmptiesTheBuffer) {
    TraceRecorder trace("none");
    ASSERT_EQ(add("SYSDSN", "PROD.LOAD"), 0);
    host::faults(s.fx.host()).failCall(Operation::OpenRequest, 1, 7);
    EXPECT_EQ(flush(), 1);
    EXPECT_EQ(s.w->sqlText[0], '\0');
    EXPECT_TRUE(trace.hasLine("createReq failure(7)"));
    EXPECT_FALSE(s.session->live().any());
}

TEST_F(Batching, AFetchFailureDropsTheRequestsAndThePath) {
    TraceRecorder trace("none");
    ASSERT_EQ(add("SYSDSN", "PROD.LOAD"), 0);
    host::faults(s.fx.host()).failCall(Operation::FetchRow, 2, 7);
    EXPECT_EQ(flush(), 1);
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"DQSQLX: fetchEnqStuff failed status 7"});
    EXPECT_FALSE(s.session->live().any());
    EXPECT_EQ(chain(s.w->Enqplxs[0].SOR1st->DOR1st).size(), 1u) << "the first row was merged";
}

TEST_F(Batching, AMergeFailureLeavesTheRequestOpen) {
    TraceRecorder trace("none");
    ASSERT_EQ(add("SYSDSN", "PROD.LOAD"), 0);
    s.w->rowsUsed = 10000;
    EXPECT_EQ(flush(), 1);
    EXPECT_TRUE(trace.hasLine("ProcessInput() failed, error return"));
    EXPECT_EQ(s.session->live().requests, 1);
    EXPECT_EQ(s.session->live().paths, 1);
}

TEST_F(Batching, NamesAreQuotedInEveryPredicateAndReadBackUnchanged) {
    ASSERT_EQ(add("O'BRIEN", injection), 0);
    ASSERT_EQ(add("APOS", apostrophes), 0);
    const std::string apostrophePredicate = predicate("APOS", apostrophes);
    EXPECT_EQ(apostrophePredicate.size(), 68u + 510u);
    const std::string injectionPredicate = predicate("O'BRIEN", injection);
    EXPECT_EQ(injectionPredicate.size(), 68u + 1 + injection.size() + 4);
    EXPECT_EQ(static_cast<std::size_t>(s.w->predEnd), 334 + injectionPredicate.size() + 3 + apostrophePredicate.size());
    EXPECT_EQ(s.w->lenrem, 4096 - s.w->predEnd - 3);
    ASSERT_EQ(flush(), 0);

    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0], statement({injectionPredicate, apostrophePredicate}));
    std::vector<host::sql::Token> tokens;
    std::string error;
    ASSERT_TRUE(host::sql::tokenize(sent()[0], tokens, error)) << error;
    std::vector<std::string> names;
    for (const auto& t : tokens)
        if (t.kind == host::sql::TokenKind::String) names.push_back(t.text);
    EXPECT_EQ(names, (std::vector<std::string>{"O'BRIEN ", injection, "APOS    ", apostrophes}));

    // The agent answered for these two resources and for nothing else.
    const auto resources = chain(s.w->Enqplxs[0].SOR1st);
    ASSERT_EQ(resources.size(), 2u);
    EXPECT_EQ(whole(resources[0]->minorname), field(injection, 255));
    EXPECT_EQ(whole(resources[0]->DOR1st->owningas), "JOBQ    ");
    EXPECT_EQ(whole(resources[1]->minorname), apostrophes);
    EXPECT_EQ(chain(resources[0]->DOR1st).size(), 1u);
}

TEST_F(Batching, AResourceWhoseNameHoldsANulIsLeftOut) {
    TraceRecorder trace("none DQSQLW:detail");
    std::string minor = "PROD";
    minor += '\0';
    minor += "LOAD";
    ASSERT_EQ(add("SYSDSN", minor), 0);
    EXPECT_EQ(s.w->sqlText[0], '\0') << "no statement is started for it";
    std::string major = "AB";
    major += '\0';
    ASSERT_EQ(add(major, "X"), 0);
    ASSERT_EQ(add("SYSDSN", "PROD.LOAD"), 0);
    ASSERT_EQ(add("SYSDSN", minor), 0);
    ASSERT_EQ(flush(), 0);
    EXPECT_EQ(sent(), std::vector<std::string>{statement({predicate("SYSDSN", "PROD.LOAD")})});
    EXPECT_EQ(trace.linesOf("DQSQLW"),
              (std::vector<std::string>{"Resource name holds a NUL byte; not asked about (Major: SYSDSN  )",
                                        "Resource name holds a NUL byte; not asked about (Major: AB)",
                                        "Resource name holds a NUL byte; not asked about (Major: SYSDSN  )"}));
}

TEST_F(Batching, PredicatesFollowThePrefixAsActuallyWritten) {
    char* thru = s.w->Enqplxs[0].SysThruNodes[1];
    std::memcpy(thru, field("SYSA", 32).data(), 32);
    thru[4] = '\0';
    thru[5] = 'Z'; // stale bytes after the NUL never reach the statement
    ASSERT_EQ(add("SHORT", "NODE", 1), 0);
    EXPECT_EQ(s.w->predStart, 306);
    EXPECT_EQ(s.w->predEnd, 306 + 72);
    ASSERT_EQ(flush(), 0);
    EXPECT_EQ(sent(), std::vector<std::string>{statement({predicate("SHORT", "NODE")}, "SYSA")});
    EXPECT_EQ(whole(s.w->Enqplxs[0].SOR1st->DOR1st->owningas), "JOBS    ");

    // A double quote in the name is doubled, and the prefix grows by one.
    const std::string quoteNode = field("SYS\"A", 32);
    std::memcpy(thru, quoteNode.data(), 32);
    ASSERT_EQ(add("SHORT", "NODE", 1), 0);
    EXPECT_EQ(s.w->predStart, 335);
    EXPECT_EQ(s.w->lenrem, 4096 - 335 - 72 - 3);
    ASSERT_EQ(flush(), 0);
    EXPECT_EQ(sent()[1], statement({predicate("SHORT", "NODE")}, doubled(quoteNode, '"')));
    EXPECT_EQ(whole(s.w->Enqplxs[0].SOR1st->DOR1st->DORNxt->owningas), "JOBQUOTE") << "routed to the named node";
    std::vector<host::sql::Token> tokens;
    std::string error;
    ASSERT_TRUE(host::sql::tokenize(sent()[1], tokens, error)) << error;
    EXPECT_EQ(std::count_if(tokens.begin(), tokens.end(),
                            [&](const host::sql::Token& t) {
                                return t.kind == host::sql::TokenKind::QuotedString && t.text == quoteNode;
                            }),
              1);
}

// A name fetched in phase I reaches the phase II statement quoted: the
// agent answers for that resource only.
TEST(DetailQueries, FetchedNamesReachTheAgentQuotedThroughACollection) {
    TraceRecorder trace("none");
    zrxtest::EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "PLXA:THRU")
        .plexHub("PLXB:HUB", "PLXB:THRU")
        .agent("SYSA:AGENT", "SYSA:THRU")
        .agent("SYSB:AGENT", "SYSB:THRU")
        .member("PLXA:THRU", "SYSA", "PLEX1")
        .member("PLXB:THRU", "SYSB", "PLEX1")
        .summary("PLXA:THRU", {"O'BRIEN", injection, "", "WAITER1", "SYSA"})
        .resource("SYSB:THRU", 1, "O'BRIEN", "DECOY")
        .task("SYSB:THRU", {1, true, "JOBD", "SYSB"})
        .resource("SYSB:THRU", 2, "O'BRIEN", injection)
        .task("SYSB:THRU", {2, true, "OWNERB", "SYSB"});
    zrxtest::HostFixture fx(b.sql());
    const auto run = fx.run(zrxtest::HostFixture::report());
    ASSERT_EQ(run.requests, (std::vector<int32_t>{0, noMoreRows}));
    ASSERT_EQ(run.rows.size(), 1u) << "the decoy resource was not asked about";
    EXPECT_EQ(zrxtest::trimmed(run.rows[0].minorname), injection);
    EXPECT_EQ(run.rows[0].owntaskct, 1);
    EXPECT_EQ(run.rows[0].waittaskct, 1);

    std::vector<std::string> detail;
    for (const auto& text : fx.host().statements())
        if (text.find("VELDA.ENQ_RESRC") != std::string::npos) detail.push_back(text);
    ASSERT_EQ(detail, std::vector<std::string>{statement({predicate("O'BRIEN", injection)}, field("SYSB:THRU", 32))});
    EXPECT_NE(detail[0].find("MINOR_NAME = 'X'' ) OR ( ''A'' = ''A' ) "), std::string::npos);
}

} // namespace
