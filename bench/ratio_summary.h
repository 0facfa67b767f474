// A console reporter that also keeps every measured CPU time and, at the end,
// prints each share as a ratio to the host's own share of the same case and
// query, and how the time grows with the collected rows.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class RatioSummary : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct Measured {
        std::vector<double> cpuMs; // one per repetition
        double collected = 0;
    };
    std::map<std::string, Measured> measured_; // by benchmark name
};

} // namespace bench
