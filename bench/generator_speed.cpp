#include "generator_speed.h"

#include <benchmark/benchmark.h>

#include <string>

#include "scenarios/generator.h"

namespace bench {

namespace {

// The load enterprise, and the largest the generator accepts for 8
// Enqplexes of 64 Systems with 10000 contended resources each.
scenarios::GeneratorOptions generatorCase(int resources) {
    scenarios::GeneratorOptions o;
    o.enqplexes = scenarios::maxEnqplexes;
    o.sysplexes = 8;
    o.systems = 8;
    o.resources = resources;
    o.tasks = 3;
    o.seed = resources == 250 ? 200 : 1;
    return o;
}

void generate(benchmark::State& state) {
    const scenarios::GeneratorOptions o = generatorCase(static_cast<int>(state.range(0)));
    const scenarios::EnterpriseFigures f = scenarios::describe(o);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = scenarios::generateEnterpriseSql(o);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    state.counters["tasks"] = static_cast<double>(f.taskRows);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

} // namespace

void registerGeneratorBenchmarks() {
    benchmark::RegisterBenchmark("Generator/enqplexes:8/sys:64", generate)
        ->ArgName("resources")
        ->Arg(250)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
