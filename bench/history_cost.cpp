#include "history_cost.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "cli/enterprise_source.h"
#include "cli/snapshot_sample.h"
#include "core/module.h"
#include "history/reader.h"
#include "history/writer.h"
#include "scenarios/generator.h"

namespace bench {

namespace {

constexpr int64_t start = 1796889600000LL; // 2026-12-10T08:00:00Z

std::string scratch(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/mentrenq-bench-" + std::to_string(::getpid()) + "-" + name;
}

void removeHistory(const std::string& path) {
    for (const char* s : {"", "-wal", "-shm"}) std::remove((path + s).c_str());
}

std::unique_ptr<history::Writer> newHistory(const std::string& path) {
    removeHistory(path);
    ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0600));
    std::string error;
    history::OpenProblem problem;
    if (!history::Writer::initialise(path, error)) throw std::runtime_error(error);
    auto writer = history::Writer::open(path, error, problem);
    if (!writer) throw std::runtime_error(error);
    return writer;
}

// The history's bytes once its WAL is folded into it.
int64_t settledSize(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_size;
}

template <size_t N>
void put(char (&field)[N], const std::string& text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

zrx::MentrenqRow row(int resource, const std::string& owner, const std::string& waiter, int wait) {
    zrx::MentrenqRow r{};
    put(r.majorname, "SYSDSN");
    put(r.minorname, "PAY.PROD" + std::to_string(resource % 8) + ".F" + std::to_string(100000 + resource) + ".MASTER");
    put(r.enqplex, "ENQPLEX" + std::to_string(1 + resource % 8));
    put(r.owningas, owner);
    put(r.waitingas, waiter);
    put(r.sysname, "SYS" + std::to_string(resource % 64));
    put(r.report, owner.empty() && waiter.empty() ? "YES" : "");
    put(r.originnode, owner.empty() && waiter.empty() ? "" : "PLX1A:PLEXHUB");
    put(r.plxname, "PLX1A");
    r.owntaskct = 1;
    r.waittaskct = 2;
    r.maxwaittm = wait;
    r.waittime = waiter.empty() ? 0 : wait;
    r.asid = 0x40;
    r.trueowner = owner.empty() ? 0x40 : 0x80;
    return r;
}

// `resources` contended resources with one owner and two waiters each: at
// 2500 resources, the view's 10000 summary and detail rows.
history::Sample sampleOf(int64_t taken, int resources, int shift = 0) {
    history::Sample s;
    s.takenMs = taken;
    s.captured = true;
    s.snapshot = "bench.db";
    s.status = zrx::entry::noMoreRows;
    s.enqplexes = {"ENQPLEX1", "ENQPLEX2"};
    for (int i = 0; i < resources; ++i) {
        const int r = i + shift;
        const int wait = static_cast<int>((taken - start) / 1000) + r % 600;
        s.report.push_back(row(r, "", "", wait));
        history::SampleResource detail;
        detail.rows = {row(r, "OWN" + std::to_string(r % 97), "", wait), row(r, "", "WAITA", wait),
                       row(r, "", "WAITB", wait / 2)};
        s.resources.push_back(std::move(detail));
    }
    return s;
}

void appendAtTheLimit(benchmark::State& state) {
    const int resources = static_cast<int>(state.range(0));
    const std::string path = scratch("append.history");
    auto writer = newHistory(path);
    int64_t taken = start;
    history::AppendResult result;
    std::string error;
    writer->append(sampleOf(taken, resources), std::nullopt, result, error); // the episodes exist from now on
    const int64_t before = settledSize(path);
    for (auto _ : state) {
        state.PauseTiming();
        const history::Sample s = sampleOf(taken += 60000, resources);
        state.ResumeTiming();
        if (!writer->append(s, std::nullopt, result, error)) state.SkipWithError(error.c_str());
    }
    writer.reset();
    state.counters["rows"] = resources * 4;
    state.counters["bytes_per_sample"] =
        static_cast<double>(settledSize(path) - before) / static_cast<double>(state.iterations());
    removeHistory(path);
}

// A whole sample as record takes it: the view on a snapshot file of the
// load enterprise (about 8000 of the 10000 rows), then the write.
void recordSample(benchmark::State& state) {
    const std::string snapshot = scratch("record.db"), path = scratch("record.history");
    std::string error;
    if (!cli::writeSnapshotFile(snapshot, scenarios::generateEnterpriseSql(scenarios::loadEnterprise()), true, error))
        throw std::runtime_error(error);
    auto module = host::Module::load(ZRX_MODULE_FILE, error);
    if (!module) throw std::runtime_error(error);
    auto writer = newHistory(path);
    cli::SampleTaker taker(*module, UINT64_MAX);
    history::AppendResult result;
    size_t rows = 0;
    for (auto _ : state) {
        const history::Sample s = taker.take(snapshot);
        rows = s.report.size();
        for (const auto& r : s.resources) rows += r.rows.size();
        if (!writer->append(s, std::nullopt, result, error)) state.SkipWithError(error.c_str());
    }
    writer.reset();
    state.counters["rows"] = static_cast<double>(rows);
    removeHistory(path);
    std::remove(snapshot.c_str());
}

// Histories of `samples` samples a minute apart, 40 resource places whose
// contention comes and goes: built once per size.
struct BuiltHistories {
    std::map<int, std::string> paths;
    ~BuiltHistories() {
        for (const auto& [samples, path] : paths) removeHistory(path);
    }
};

const std::string& historyOf(int samples) {
    static BuiltHistories histories;
    auto& built = histories.paths;
    auto it = built.find(samples);
    if (it != built.end()) return it->second;
    const std::string path = scratch("read" + std::to_string(samples) + ".history");
    auto writer = newHistory(path);
    history::AppendResult result;
    std::string error;
    for (int i = 0; i < samples; ++i) {
        history::Sample s = sampleOf(start + int64_t{60000} * i, 12, i / 7 % 29);
        if (!writer->append(s, std::nullopt, result, error)) throw std::runtime_error(error);
    }
    return built[samples] = path;
}

void readEpisodes(benchmark::State& state) {
    const std::string& path = historyOf(static_cast<int>(state.range(0)));
    const bool recent = state.range(1) != 0;
    std::string error;
    history::OpenProblem problem;
    auto reader = history::Reader::open(path, error, problem);
    std::optional<history::SampleInfo> last;
    reader->last(last, error);
    history::Window window;
    if (recent) window.sinceMs = last->takenMs - 10 * 60000;
    size_t episodes = 0;
    for (auto _ : state) {
        reader->refresh();
        std::vector<history::Episode> out;
        std::vector<history::HolderTotal> holders;
        if (!reader->episodes(window, out, error) || !reader->holderTotals(window, holders, error))
            state.SkipWithError(error.c_str());
        episodes = out.size();
    }
    state.counters["episodes"] = static_cast<double>(episodes);
}

} // namespace

void registerHistoryBenchmarks() {
    benchmark::RegisterBenchmark("History/append", appendAtTheLimit)
        ->ArgName("resources")
        ->Arg(2500)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime();
    benchmark::RegisterBenchmark("History/record_sample/load_enterprise", recordSample)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime();
    benchmark::RegisterBenchmark("History/episodes", readEpisodes)
        ->ArgNames({"samples", "last10m"})
        ->Args({1000, 0})
        ->Args({10000, 0})
        ->Args({1000, 1})
        ->Args({10000, 1})
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
