// Every detail statement of real collections answers, resource by resource
// through the index, exactly the rows in exactly the order that testing each
// predicate on each of the node's rows answers; and the host tells every
// statement's kind from its one reading of it as a log reads the text.
#include <gtest/gtest.h>

#include "collected_run.h"
#include "testing/statement_text.h"
#include "scenarios/generator.h"
#include "sql/query.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

namespace {

using perftest::collect;
using zrxtest::HostFixture;

// Each row's cells, a null as "<null>".
std::vector<std::vector<std::string>> answer(host::sql::Snapshot& snapshot, const std::string& text,
                                             std::string* sqlite = nullptr) {
    std::string error;
    auto q = host::sql::Query::prepare(snapshot, text, error);
    EXPECT_TRUE(q) << error;
    if (!q) return {};
    if (sqlite) *sqlite = q->sqliteText();
    std::vector<std::vector<std::string>> out;
    std::vector<host::sql::Cell> row;
    while (q->next(row, error) == host::sql::Query::Step::Row) {
        out.emplace_back();
        for (const auto& c : row) out.back().push_back(c.null ? "<null>" : c.bytes);
    }
    return out;
}

// The statement with a condition that always holds joined to its first
// predicate: no plain list of names any more, so each predicate is tested
// on each row.
std::string testedRowByRow(std::string text) {
    return text.insert(text.find("( ENQ_RESRC.MAJOR_NAME"), "SYSTEM.PARMA() AND ");
}

TEST(DetailLookUp, AnswersWhatTestingEachPredicateAnswersOnGeneratedEnterprises) {
    struct Shape {
        int enqplexes, sysplexes, systems, resources, tasks;
    };
    for (const Shape& shape : {Shape{1, 2, 8, 600, 2}, Shape{8, 2, 2, 120, 3}, Shape{3, 3, 2, 250, 5}}) {
        scenarios::GeneratorOptions o;
        o.enqplexes = shape.enqplexes;
        o.sysplexes = shape.sysplexes;
        o.systems = shape.systems;
        o.resources = shape.resources;
        o.tasks = shape.tasks;
        HostFixture fx(scenarios::generateEnterpriseSql(o));
        const auto report = collect(fx, HostFixture::report());
        ASSERT_EQ(report.statuses.back(), noMoreRows);
        const zrx::MentrenqRow& first = report.rows.front();
        const auto resource = collect(fx, HostFixture::resource(zrxtest::trimmed(first.majorname),
                                                                zrxtest::trimmed(first.minorname),
                                                                zrxtest::trimmed(first.enqplex)));
        std::vector<std::string> statements = report.statements;
        statements.insert(statements.end(), resource.statements.begin(), resource.statements.end());

        size_t lists = 0, rows = 0;
        for (const auto& text : statements) {
            std::string error;
            auto q = host::sql::Query::prepare(fx.snapshot(), text, error);
            ASSERT_TRUE(q) << error;
            const host::StatementKind kind = host::classifyStatement(*q);
            EXPECT_EQ(kind, host::classifyStatement(text)) << text;
            q.reset();
            if (kind != host::StatementKind::Detail) continue;
            std::string listed, tested;
            const auto expected = answer(fx.snapshot(), testedRowByRow(text), &tested);
            EXPECT_EQ(answer(fx.snapshot(), text, &listed), expected) << text;
            EXPECT_EQ(tested.find(".rowid IN (SELECT"), std::string::npos);
            lists += listed.find(".rowid IN (SELECT") != std::string::npos;
            rows += expected.size();
        }
        EXPECT_GT(lists, 8u) << shape.enqplexes;
        EXPECT_GT(rows, 100u) << shape.enqplexes;
    }
}

} // namespace
