#include "shares.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <stdexcept>

#include "sql/query.h"

namespace bench {

const char* shareName(Share share) {
    switch (share) {
    case Share::EndToEnd: return "EndToEnd";
    case Share::Host: return "HostShare";
    case Share::Module: return "ModuleShare";
    case Share::GroupBy: return "GroupBy";
    }
    return "?";
}

// A task of the agent tables is an owner when the first byte of its STATUS is
// 1; a System's Enqplex is the part of its ENQPLEX column before the ".".
const char* const groupByQuery =
    "SELECT CASE WHEN COALESCE(M.ENQPLEX, '') = '' THEN '*DEFAULT' "
    "ELSE SUBSTR(M.ENQPLEX, 1, INSTR(M.ENQPLEX || '.', '.') - 1) END AS ENQPLEX, "
    "R.MAJOR_NAME, R.MINOR_NAME, "
    "SUM((T.STATUS & 255) = 1) AS OWNTASKCT, SUM((T.STATUS & 255) <> 1) AS WAITTASKCT, "
    "MAX(T.WAIT_TIME) AS MAXWAITTM "
    "FROM ENQ_RESRC R JOIN ENQ_TASKS T ON T.AT_NODE = R.AT_NODE AND T.RIB = R.RIB "
    "JOIN MXCFSYS M ON M.SYS_NAME = T.SYSNAME "
    "GROUP BY 1, 2, 3 HAVING WAITTASKCT > 0";

namespace {

size_t hostShare(Enterprise& e, const std::vector<std::string>& statements) {
    size_t rows = 0;
    std::vector<host::sql::Cell> row;
    std::string error;
    for (const auto& text : statements) {
        auto q = host::sql::Query::prepare(e.snapshot(), text, error);
        if (!q) throw std::runtime_error("refused: " + error);
        host::sql::Query::Step step;
        while ((step = q->next(row, error)) == host::sql::Query::Step::Row) ++rows;
        if (step == host::sql::Query::Step::Error) throw std::runtime_error("failed: " + error);
    }
    return rows;
}

size_t groupBy(Enterprise& e) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(e.snapshot().db(), groupByQuery, -1, &s, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(e.snapshot().db()));
    size_t rows = 0;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_int(s, 3));
        ++rows;
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) throw std::runtime_error("GROUP BY failed");
    return rows;
}

} // namespace

void runShare(Share share, Enterprise& e, QueryKind kind) {
    Enterprise::Query& q = e.query(kind);
    switch (share) {
    case Share::EndToEnd:
        runQuery(e.host(), e.module(), q.predicates);
        e.host().clearStatements();
        break;
    case Share::Host:
        benchmark::DoNotOptimize(hostShare(e, q.statements));
        break;
    case Share::Module:
        runQuery(*q.replayHost, e.module(), q.predicates);
        q.replayHost->clearStatements();
        break;
    case Share::GroupBy:
        benchmark::DoNotOptimize(groupBy(e));
        break;
    }
}

void registerBenchmarks() {
    for (const CaseSpec& spec : caseSpecs()) {
        for (QueryKind kind : {QueryKind::Report, QueryKind::Resource}) {
            for (Share share : {Share::EndToEnd, Share::Host, Share::Module, Share::GroupBy}) {
                if (share == Share::GroupBy && kind != QueryKind::Report) continue;
                const std::string name =
                    std::string(shareName(share)) + "/" + queryName(kind) + "/" + spec.name();
                benchmark::RegisterBenchmark(name.c_str(), [spec, kind, share](benchmark::State& state) {
                    Enterprise& e = enterprise(spec);
                    for (auto _ : state) runShare(share, e, kind);
                    const QueryOutcome& o = e.query(kind).outcome;
                    state.counters["collected"] = o.collectedRows;
                    state.counters["output"] = static_cast<double>(o.outputRows);
                    state.counters["statements"] = static_cast<double>(e.query(kind).statements.size());
                    if (share == Share::EndToEnd && o.outputRows)
                        state.counters["storage/row"] = static_cast<double>(o.hostStorage) / o.outputRows;
                })->Unit(benchmark::kMillisecond);
            }
        }
    }
}

} // namespace bench
