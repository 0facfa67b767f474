// The generated enterprises the benchmarks run on, each loaded once and kept
// with what a first run of each query recorded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/module.h"
#include "testing/replay_source.h"
#include "core/session.h"
#include "scenarios/generator.h"
#include "sql/snapshot.h"

namespace bench {

// One enterprise of the matrix: about `rows` collected (summary and detail)
// rows, `systems` Systems in each of `enqplexes` Enqplexes.
struct CaseSpec {
    int rows;
    int systems;
    int enqplexes;
    scenarios::GeneratorOptions options;
    std::string name() const; // "rows:10000/sys:64/plex:8"
};

std::vector<CaseSpec> caseSpecs();

enum class QueryKind { Report, Resource };
const char* queryName(QueryKind kind);

// What one whole query did.
struct QueryOutcome {
    int32_t lastStatus = -1;
    size_t outputRows = 0;
    int32_t collectedRows = 0; // summary and detail rows the module made
    uint64_t hostStorage = 0;  // bytes of host storage the session held
};

// Start, request calls until a nonzero status, end. Throws unless the view
// ended with end of data.
QueryOutcome runQuery(host::Host& host, const host::Module& module,
                      const std::vector<host::Predicate>& predicates);

class Enterprise {
public:
    explicit Enterprise(const CaseSpec& spec);

    struct Query {
        std::vector<host::Predicate> predicates;
        std::vector<std::string> statements; // every text the host planned, in order
        QueryOutcome outcome;
        std::unique_ptr<host::ReplaySource> replay; // answers without SQLite
        std::unique_ptr<host::Host> replayHost;
    };

    const CaseSpec& spec() const { return spec_; }
    host::sql::Snapshot& snapshot() { return *snapshot_; }
    host::Host& host() { return host_; }
    const host::Module& module() const { return *module_; }
    Query& query(QueryKind kind) { return kind == QueryKind::Report ? report_ : resource_; }

private:
    void record(Query& q);

    CaseSpec spec_;
    std::unique_ptr<host::sql::Snapshot> snapshot_;
    std::unique_ptr<host::SnapshotSource> source_;
    host::Host host_;
    std::unique_ptr<host::Module> module_;
    Query report_, resource_;
};

// Loaded on first use and kept for the rest of the program.
Enterprise& enterprise(const CaseSpec& spec);

// The module file the host loads, as a user's query does: the one built
// beside the benchmarks, or $MENTRENQ_BENCH_MODULE (to compare two builds).
std::string moduleFile();

} // namespace bench
