// mentrenq-bench: Google Benchmark flags, plus
//   --once=NAME   run the measurement NAME (e.g. ModuleShare/report/rows:10000/sys:1/plex:1)
//                 once, with callgrind's collection on only around it, and
//                 print the enterprise's figures.
//   --shell-comparison[=N]
//                 time `mentrenq query --report` against the sqlite3 shell
//                 on the statements the host received, and `mentrenq tree`
//                 against the report, N alternate runs each (11 when not
//                 given); with --keep-files=FOLDER the
//                 snapshots and scripts are written to that new folder and
//                 kept; $MENTRENQ_BENCH_COMMAND names another mentrenq to
//                 time instead of the one built here.
#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "enterprises.h"
#include "generator_speed.h"
#include "history_cost.h"
#include "load_pace.h"
#include "ratio_summary.h"
#include "shares.h"
#include "shell_comparison.h"

namespace {

int runOnce(const std::string& name) {
    using namespace bench;
    for (const CaseSpec& spec : caseSpecs()) {
        for (QueryKind kind : {QueryKind::Report, QueryKind::Resource}) {
            for (Share share : {Share::EndToEnd, Share::Host, Share::Module, Share::GroupBy}) {
                if (name != std::string(shareName(share)) + "/" + queryName(kind) + "/" + spec.name()) continue;
                Enterprise& e = enterprise(spec);
                runShare(share, e, kind); // warm, as every benchmark is
                CALLGRIND_ZERO_STATS;
                CALLGRIND_TOGGLE_COLLECT;
                runShare(share, e, kind);
                CALLGRIND_TOGGLE_COLLECT;
                const QueryOutcome& o = e.query(kind).outcome;
                std::printf("%s collected=%d output=%zu statements=%zu storage=%llu\n", name.c_str(),
                            o.collectedRows, o.outputRows, e.query(kind).statements.size(),
                            static_cast<unsigned long long>(o.hostStorage));
                return 0;
            }
        }
    }
    std::fprintf(stderr, "mentrenq-bench: no measurement named %s\n", name.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    try {
        bench::ShellComparisonOptions shell;
        bool compare = false;
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg.rfind("--once=", 0) == 0) return runOnce(arg.substr(7));
            if (arg == "--shell-comparison") {
                compare = true;
            } else if (arg.rfind("--shell-comparison=", 0) == 0) {
                compare = true;
                shell.repetitions = std::max(1, std::atoi(arg.c_str() + 19));
            } else if (arg.rfind("--keep-files=", 0) == 0) {
                shell.workDir = arg.substr(13);
                shell.keepFiles = true;
            }
        }
        if (compare) {
            bench::runShellComparison(shell);
            return 0;
        }
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
        bench::registerBenchmarks();
        bench::registerLoadPaceBenchmark();
        bench::registerGeneratorBenchmarks();
        bench::registerHistoryBenchmarks();
        bench::RatioSummary reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mentrenq-bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
