// The statements of real collections on a generated enterprise are answered
// through the snapshot's indexes, also once SQLite has statistics of the
// tables: no full scan of a node table.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "collected_run.h"
#include "testing/statement_text.h"
#include "scenarios/generator.h"
#include "sql/query.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

namespace {

using perftest::collect;
using zrxtest::HostFixture;

std::string plan(host::sql::Snapshot& snapshot, const std::string& text) {
    std::string error;
    auto q = host::sql::Query::prepare(snapshot, text, error);
    EXPECT_TRUE(q) << error;
    if (!q) return "";
    std::string out;
    sqlite3_stmt* s = nullptr;
    const std::string explain = "EXPLAIN QUERY PLAN " + q->sqliteText();
    EXPECT_EQ(sqlite3_prepare_v2(snapshot.db(), explain.c_str(), -1, &s, nullptr), SQLITE_OK);
    while (s && sqlite3_step(s) == SQLITE_ROW) {
        out += reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
        out += "\n";
    }
    sqlite3_finalize(s);
    return out;
}

void expectNoNodeTableScan(host::sql::Snapshot& snapshot, const std::vector<std::string>& statements,
                           size_t& checked) {
    for (const auto& text : statements) {
        const auto kind = host::classifyStatement(text);
        if (kind != host::StatementKind::Summary && kind != host::StatementKind::Detail &&
            kind != host::StatementKind::Members)
            continue;
        const std::string p = plan(snapshot, text);
        for (const char* table : {"ENQ_RESRC", "ENQ_TASKS", "MGLBLENQ", "MXCFSYS"})
            EXPECT_EQ(p.find(std::string("SCAN ") + table), std::string::npos) << p << text;
        EXPECT_NE(p.find("SEARCH"), std::string::npos) << p;
        ++checked;
    }
}

TEST(QueryPlans, EveryStatementOfAReportAndOfAResourceQuerySearchesAnIndex) {
    scenarios::GeneratorOptions o;
    o.enqplexes = 2;
    o.sysplexes = 8;
    o.systems = 8;
    o.resources = 200;
    HostFixture fx(scenarios::generateEnterpriseSql(o));
    const auto report = collect(fx, HostFixture::report());
    ASSERT_EQ(report.statuses.back(), noMoreRows);
    const zrx::MentrenqRow& busy = report.rows.front();
    const auto resource = collect(fx, HostFixture::resource(zrxtest::trimmed(busy.majorname),
                                                            zrxtest::trimmed(busy.minorname),
                                                            zrxtest::trimmed(busy.enqplex)));
    ASSERT_EQ(resource.statuses.back(), noMoreRows);

    size_t detail = 0;
    for (const auto& s : report.statements) detail += host::classifyStatement(s) == host::StatementKind::Detail;
    ASSERT_GT(detail, 20u) << "full statements of dozens of predicates";

    for (bool analyzed : {false, true}) {
        if (analyzed) {
            std::string error;
            ASSERT_TRUE(fx.snapshot().exec("ANALYZE;", error)) << error;
        }
        size_t checked = 0;
        expectNoNodeTableScan(fx.snapshot(), report.statements, checked);
        expectNoNodeTableScan(fx.snapshot(), resource.statements, checked);
        EXPECT_EQ(checked, report.statements.size() + resource.statements.size() - 4) << "all but the node queries";
    }
}

} // namespace
