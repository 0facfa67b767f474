// Every way the collection of a session's first request call can fail, on
// the two-Sysplex enterprise: the status, the lines (unconditional and
// error trace, in order), what the failure itself dropped, and what every
// later request call of the session returns.
#include <gtest/gtest.h>

#include "testing/fault_plan.h"
#include "core/operations.h"
#include "e2e_harness.h"
#include "zrx/status.h"

using zrx::entry::viewAbandoned;

namespace {

using e2e::RunOptions;
using e2e::runQuery;
using e2e::scenario;
using host::Operation;
using host::StatementKind;
using zrxtest::HostFixture;

constexpr char abandonedLine[] =
    "enqmlcpr: MENTRENQ view was abandoned during collection; no rows in this session|";

// A refused statement never reaches the host's log of planned statements.
struct Case {
    const char* name;
    std::vector<host::Predicate> predicates;
    std::function<void(host::Host&)> prepare;
    int32_t status;
    std::vector<std::string> lines; // error level: unconditional and error lines
    size_t statements;
    host::LiveObjects openBeforeEnd;
    zrx::Abandon reason; // the cause the session recorded
};

std::vector<std::string> withoutEnqplxsDump(std::vector<std::string> lines) {
    std::erase_if(lines, [](const std::string& l) { return l.rfind("logEnqplxs: ", 0) == 0; });
    return lines;
}

void expectCase(const Case& c, const std::string& sql) {
    SCOPED_TRACE(c.name);
    RunOptions options;
    options.levels = "error";
    options.extraCalls = 2;
    options.prepare = c.prepare;
    auto o = runQuery(sql, c.predicates, options);
    // The failing call, then two more calls of the same session.
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{c.status, viewAbandoned, viewAbandoned}));
    EXPECT_TRUE(o.run.rows.empty());
    auto expected = c.lines;
    expected.push_back(abandonedLine);
    expected.push_back(abandonedLine);
    EXPECT_EQ(withoutEnqplxsDump(e2e::traceLines(o)), expected);
    EXPECT_EQ(o.statements.size(), c.statements);
    EXPECT_EQ(o.run.liveBeforeEnd.paths, c.openBeforeEnd.paths);
    EXPECT_EQ(o.run.liveBeforeEnd.plans, c.openBeforeEnd.plans);
    EXPECT_EQ(o.run.liveBeforeEnd.requests, c.openBeforeEnd.requests);
    EXPECT_EQ(o.run.liveBeforeEnd.cursors, c.openBeforeEnd.cursors);
    // The session end drops whatever the failure left open.
    EXPECT_FALSE(o.run.liveAtEnd.any());
    EXPECT_EQ(o.run.abandonReason, c.reason);
}

const std::string detailBuffer =
    "DQSQLX: DQSQLX: The SQL buffer is || SELECT ENQ_RESRC.MAJOR_NAME,  ENQ_RESRC.MINOR_NAME,  "
    "ENQ_TASKS.STATUS,  ENQ_TASKS.JOBNAME,  ENQ_TASKS.SWAPPED,  ENQ_TASKS.TYPE,  ENQ_TASKS.ASID,  "
    "ENQ_TASKS.SYSNAME,  ENQ_TASKS.WAIT_TIME,  ENQ_TASKS.ENQPFLAG  FROM VELDA.ENQ_RESRC,  "
    "VELDA.ENQ_TASKS  AT (\"RTEMSA                          \")  WHERE ENQ_RESRC.RIB = "
    "ENQ_TASKS.RIB  AND  ( ( ENQ_RESRC.MAJOR_NAME = 'SYSDSN  ' AND ENQ_RESRC.MINOR_NAME = "
    "'SHARED.CATALOG' )  )  AND  SYSTEM.PARMA(\"REQ_TYPE\", \"GENQ\", 4) ;|||";

TEST(CollectionFailures, EachFailureEndsTheRequestWithItsStatusLineAndDrops) {
    const auto report = HostFixture::report();
    const std::vector<Case> cases = {
        {"no index predicate", {}, {}, viewAbandoned,
         {"setupIndices: No Indexing Specified|", "enqmlcpr: Invalid Indices; Abandoning View|"}, 0,
         {1, 0, 0, 0}, zrx::Abandon::InvalidIndices},
        {"report and a named resource",
         {host::Predicate::report(), {"MAJORNAME", zrx::IndexOp::EQ, "SYSDSN"}}, {}, viewAbandoned,
         {"setupIndices: Invalid Combination of Index Values|",
          "enqmlcpr: Invalid Indices; Abandoning View|"},
         0, {1, 0, 0, 0}, zrx::Abandon::InvalidIndices},
        {"no storage for the AT clause", report,
         [](host::Host& h) { host::faults(h).failCall(Operation::GetViewStorage, 1, 9); }, viewAbandoned,
         {"enqmlcpr: setupMglblenqSQL failed, abandoning view|"}, 5, {1, 0, 0, 0},
         zrx::Abandon::SummaryQueryNotBuilt},
        {"summary request not created", report,
         [](host::Host& h) { host::faults(h).failCall(Operation::CreateAccessPlan, 6, 6); }, 64,
         {"enqmlcpr: createReq failure(6)|"}, 5,
         {0, 0, 0, 0}, zrx::Abandon::AbandonedEarlier},
        {"no storage for a summary row", report,
         [](host::Host& h) { host::faults(h).failCall(Operation::GetViewStorage, 2, 9); }, viewAbandoned,
         {"newSORow: No (GetView)Storage for SORow.|",
          "ProcessInput: Unable to create new Summary Output Row|",
          "enqmlcpr: ProcessInput() failed, abandoning view|"},
         6, {1, 1, 1, 1}, zrx::Abandon::NoStorageForRows},
        {"summary rows of the wrong shape", report,
         [](host::Host& h) { host::faults(h).malformResult({StatementKind::Summary, 0, -1}); }, viewAbandoned,
         {"fetchMglblenq: fetchMglblenq unexpected column count MGLBLENQ: expected(15), got(14)|",
          "enqmlcpr: fetchMglblenq failed status 8|"},
         6, {1, 0, 0, 0}, zrx::Abandon::SummaryQueryFailed},
        {"detail request not created", report,
         [](host::Host& h) { host::faults(h).failCall(Operation::CreateAccessPlan, 9, 6); }, viewAbandoned,
         {"DQSQLX: createReq failure(6)|", detailBuffer,
          "enqmlcpr: DQSQLW problem (NULL call); abandoning view|"},
         8, {0, 0, 0, 0}, zrx::Abandon::DetailQueryFailed},
        {"detail rows of the wrong shape", report,
         [](host::Host& h) { host::faults(h).malformResult({StatementKind::Detail, 0, 1}); }, viewAbandoned,
         {"fetchEnqStuff: fetchEnqStuff unexpected column count ENQSTUFF: expected(10), got(11)|",
          "DQSQLX: fetchEnqStuff failed status 8|",
          "enqmlcpr: DQSQLW problem (NULL call); abandoning view|"},
         9, {0, 0, 0, 0}, zrx::Abandon::DetailQueryFailed},
    };
    const std::string sql = scenario("two_sysplexes");
    for (const auto& c : cases) expectCase(c, sql);
}

TEST(CollectionFailures, ConfigurationErrorDumpsAllEightEntries) {
    // SYSA reported a second time, by PLXB.
    const std::string sql =
        scenario("two_sysplexes") +
        "INSERT INTO MXCFSYS VALUES('HUBB:CMS', 'SYSA', 60, 300, 'ACTIVE', 'z/OS 02.05.00', "
        "'SYSA:AGENT', 'GRSPLEX');\n";
    RunOptions options;
    options.levels = "error";
    options.extraCalls = 1;
    auto o = runQuery(sql, HostFixture::report(), options);
    EXPECT_EQ(o.run.requests, (std::vector<int32_t>{viewAbandoned, viewAbandoned}));
    EXPECT_EQ(o.run.abandonReason, zrx::Abandon::ConfigProblem);
    const auto lines = e2e::traceLines(o);
    auto at = std::find(lines.begin(), lines.end(), "enqmlcpr: FigConfig Problem; Abandoning View|");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*(at - 1), "FigConfig: DoMxcfsysRow indicated the configuration error cited above; "
                         "abandoning view\\n|");
    // After the line: the 8 entries, then only the later call's line.
    std::vector<std::string> headers;
    for (auto l = at + 1; l != lines.end(); ++l)
        if (l->find("Enqplxs[") != std::string::npos) headers.push_back(l->substr(0, 30));
    EXPECT_EQ(headers.size(), 8u);
    EXPECT_EQ(headers.front(), "logEnqplxs: Enqplxs[0]: Enqple");
    EXPECT_EQ(lines.back(), abandonedLine);
    EXPECT_EQ(e2e::countStatements(o, StatementKind::Summary), 0u);
    EXPECT_FALSE(o.run.liveAtEnd.any());
}

} // namespace
