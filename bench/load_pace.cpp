#include "load_pace.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "enterprises.h"
#include "platform/trace_control.h"

namespace bench {

namespace {

constexpr int paceSessions = 100;

// One host and module on the load enterprise, kept for the whole program.
struct LoadHost {
    LoadHost() {
        platform::setTraceSettings({});
        platform::setTraceSink(nullptr);
        std::string error;
        snapshot = host::sql::Snapshot::createInMemory(error);
        if (!snapshot) throw std::runtime_error("snapshot: " + error);
        if (!snapshot->exec("BEGIN;" + scenarios::generateEnterpriseSql(scenarios::loadEnterprise()) + "COMMIT;", error))
            throw std::runtime_error("enterprise: " + error);
        source = std::make_unique<host::SnapshotSource>(*snapshot);
        host.setDataSource(source.get());
        module = host::Module::load(moduleFile(), error);
        if (!module) throw std::runtime_error("module: " + error);
    }
    std::unique_ptr<host::sql::Snapshot> snapshot;
    std::unique_ptr<host::SnapshotSource> source;
    host::Host host;
    std::unique_ptr<host::Module> module;
};

double mean(const std::vector<double>& v, size_t from, size_t to) {
    return std::accumulate(v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(to), 0.0) /
           static_cast<double>(to - from);
}

// One iteration is one session; the counters compare the mean wall time of
// the first and the last quarter of the sessions, and give the host storage
// a session was handed.
void pace(benchmark::State& state) {
    static LoadHost load;
    const std::vector<host::Predicate> report = {host::Predicate::report()};
    std::vector<double> millis;
    QueryOutcome outcome;
    const uint64_t handedOutBefore = load.host.storageHandedOut();
    for (auto _ : state) {
        load.host.clearStatements();
        const auto begin = std::chrono::steady_clock::now();
        outcome = runQuery(load.host, *load.module, report);
        millis.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        if (load.host.storageOutstanding() != 0) {
            state.SkipWithError("storage left outstanding after a session");
            return;
        }
    }
    const size_t quarter = millis.size() / 4;
    if (quarter == 0) return;
    const double first = mean(millis, 0, quarter);
    const double last = mean(millis, millis.size() - quarter, millis.size());
    state.counters["first_ms"] = first;
    state.counters["last_ms"] = last;
    state.counters["last/first"] = last / first;
    state.counters["output"] = static_cast<double>(outcome.outputRows);
    state.counters["statements"] = static_cast<double>(load.host.statements().size());
    state.counters["storage/session"] =
        static_cast<double>(load.host.storageHandedOut() - handedOutBefore) / static_cast<double>(millis.size());
}

} // namespace

void registerLoadPaceBenchmark() {
    benchmark::RegisterBenchmark("LoadPace/sessions", pace)
        ->Iterations(paceSessions)
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
