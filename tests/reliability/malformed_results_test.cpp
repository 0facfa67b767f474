// Results the host delivers wrongly: a column count off by one either way
// for each of the five statements, a value longer than its field in every
// column, a null in every column. Each run ends with a documented status,
// or with rows that follow the rules; a long value never reaches past its
// field (the fetched records equal those of the clean run).
#include <gtest/gtest.h>

#include <iostream>
#include <set>

#include "testing/fault_plan.h"
#include "testing/statement_text.h"
#include "reliability_harness.h"
#include "row_rules.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;
using zrx::entry::viewAbandoned;

namespace reliability {
namespace {

using host::ResultFault;
using host::StatementKind;

struct Statement {
    StatementKind kind;
    int columns;
};
constexpr Statement statements[] = {{StatementKind::PlexHubs, 2},
                                    {StatementKind::ThruNodes, 2},
                                    {StatementKind::Members, 7},
                                    {StatementKind::Summary, 15},
                                    {StatementKind::Detail, 10}};

// Longer than one byte, and longer than the widest field (a minor name).
constexpr int longBys[] = {1, 300};

std::vector<std::string> enqplexesOf(const std::vector<zrx::MentrenqRow>& rows) {
    std::set<std::string> names;
    for (const auto& r : rows) names.insert(zrxtest::trimmed(r.enqplex));
    return {names.begin(), names.end()};
}

std::string faultName(const ResultFault& f) {
    std::string s(host::statementKindName(f.statement));
    if (f.columnDelta) s += " column count " + std::string(f.columnDelta > 0 ? "+" : "") + std::to_string(f.columnDelta);
    if (f.longColumn >= 0) s += " column " + std::to_string(f.longColumn) + " longer by " + std::to_string(f.longBy);
    if (f.nullColumn >= 0) s += " column " + std::to_string(f.nullColumn) + " null";
    return s;
}

void expectEndedCleanly(const Outcome& o) {
    EXPECT_TRUE(zrx::entry::startResult(o.start));
    for (int32_t r : o.requests) EXPECT_TRUE(zrx::entry::requestResult(r));
    EXPECT_EQ(o.end, 0);
    EXPECT_FALSE(o.liveAtEnd.any());
    EXPECT_EQ(o.hostStorageOutstanding, 0u);
}

struct Tried {
    size_t columnCounts = 0, longValues = 0, nulls = 0;
    size_t total() const { return columnCounts + longValues + nulls; }
};

Tried sweepQuery(Enterprise& e, const std::vector<host::Predicate>& predicates, bool detailMode) {
    const Outcome clean = e.run(predicates);
    EXPECT_EQ(clean.last(), noMoreRows);
    EXPECT_TRUE(ruleViolations(clean.rows, detailMode, enqplexesOf(clean.rows)).empty());
    const auto enqplexes = enqplexesOf(clean.rows);
    Tried tried;

    for (const Statement& st : statements) {
        for (int delta : {-1, +1}) {
            ResultFault f;
            f.statement = st.kind;
            f.columnDelta = delta;
            Outcome o = e.run(predicates, [&](host::FaultPlan& p) { p.malformResult(f); });
            SCOPED_TRACE(faultName(f) + ": " + describe(o));
            ++tried.columnCounts;
            expectEndedCleanly(o);
            // A statement described with the wrong shape abandons the view
            // at its first row; one that delivered no row changes nothing.
            if (o.last() == noMoreRows) {
                EXPECT_TRUE(sameRows(o.rows, clean.rows));
            } else {
                EXPECT_EQ(o.last(), viewAbandoned);
                EXPECT_TRUE(o.rows.empty());
            }
        }
        for (int column = 0; column < st.columns; ++column) {
            for (int by : longBys) {
                ResultFault f;
                f.statement = st.kind;
                f.longColumn = column;
                f.longBy = by;
                Outcome o = e.run(predicates, [&](host::FaultPlan& p) { p.malformResult(f); });
                SCOPED_TRACE(faultName(f) + ": " + describe(o));
                ++tried.longValues;
                expectEndedCleanly(o);
                // Every field takes its own width and no more: the host pads
                // values to their width, so the run is the clean run, down
                // to the bytes of the fetched records and their neighbours.
                EXPECT_EQ(o.requests, clean.requests);
                EXPECT_TRUE(sameRows(o.rows, clean.rows));
                EXPECT_EQ(o.fetchedRecords, clean.fetchedRecords);
            }
            ResultFault f;
            f.statement = st.kind;
            f.nullColumn = column;
            Outcome o = e.run(predicates, [&](host::FaultPlan& p) { p.malformResult(f); });
            SCOPED_TRACE(faultName(f) + ": " + describe(o));
            ++tried.nulls;
            expectEndedCleanly(o);
            EXPECT_TRUE(o.last() == noMoreRows || o.last() == viewAbandoned);
            for (const auto& v : ruleViolations(o.rows, detailMode, enqplexes)) ADD_FAILURE() << v;
        }
    }
    return tried;
}

void sweepEnterprise(Enterprise& e, const std::string& phaseTwoEnqplex) {
    const auto report = zrxtest::HostFixture::report();
    const Outcome clean = e.run(report);
    ASSERT_EQ(clean.last(), noMoreRows);
    const Tried r = sweepQuery(e, report, false);
    const Tried d = sweepQuery(e, Enterprise::resourceOf(clean.rows, phaseTwoEnqplex), true);
    std::cout << "[ malformed] " << e.name() << ": " << r.total() + d.total()
              << " malformed results (column counts " << r.columnCounts + d.columnCounts
              << ", long values " << r.longValues + d.longValues << ", nulls " << r.nulls + d.nulls
              << ")\n";
}

TEST(MalformedResults, DemoEnterpriseEndsEveryMalformedResultSoundly) {
    AllTraceLevels trace;
    Enterprise e("demo enterprise", demoSql());
    sweepEnterprise(e, "PRODENQ");
}

TEST(MalformedResults, GeneratedEnterpriseEndsEveryMalformedResultSoundly) {
    Enterprise e("generated enterprise", sweepEnterpriseSql());
    sweepEnterprise(e, "ENQPLEX2");
}

} // namespace
} // namespace reliability
