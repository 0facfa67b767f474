#include "ratio_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "enterprises.h"
#include "shares.h"

namespace bench {

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Least-squares slope of log(time) over log(rows): 1 is linear growth.
double exponent(const std::vector<std::pair<double, double>>& points) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (auto [x, y] : points) {
        sx += std::log(x);
        sy += std::log(y);
        sxx += std::log(x) * std::log(x);
        sxy += std::log(x) * std::log(y);
    }
    const double n = static_cast<double>(points.size());
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

} // namespace

void RatioSummary::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
        Measured& m = measured_[run.run_name.function_name];
        m.cpuMs.push_back(run.GetAdjustedCPUTime());
        if (auto c = run.counters.find("collected"); c != run.counters.end()) m.collected = c->second;
    }
    ConsoleReporter::ReportRuns(runs);
}

void RatioSummary::Finalize() {
    ConsoleReporter::Finalize();
    auto find = [&](Share share, QueryKind kind, const CaseSpec& spec) -> const Measured* {
        auto it = measured_.find(std::string(shareName(share)) + "/" + queryName(kind) + "/" + spec.name());
        return it == measured_.end() || it->second.cpuMs.empty() ? nullptr : &it->second;
    };
    std::printf("\nShares as ratios to the host's own share (median CPU time of the repetitions)\n");
    std::printf("%-9s %-26s %9s %10s %10s %12s %12s %12s\n", "query", "case", "collected", "host ms",
                "module ms", "e2e/host", "module/host", "groupby/host");
    for (QueryKind kind : {QueryKind::Report, QueryKind::Resource}) {
        for (const CaseSpec& spec : caseSpecs()) {
            const Measured* host = find(Share::Host, kind, spec);
            if (!host) continue;
            const double h = median(host->cpuMs);
            auto ratio = [&](Share share) {
                const Measured* m = find(share, kind, spec);
                return m ? median(m->cpuMs) / h : NAN;
            };
            const Measured* module = find(Share::Module, kind, spec);
            std::printf("%-9s %-26s %9.0f %10.3f %10.3f %12.3f %12.3f %12.3f\n", queryName(kind),
                        spec.name().c_str(), host->collected, h, module ? median(module->cpuMs) : NAN,
                        ratio(Share::EndToEnd), ratio(Share::Module), ratio(Share::GroupBy));
        }
    }
    std::printf("\nGrowth with collected rows: exponent b of time ~ rows^b (1 is linear)\n");
    std::printf("%-9s %-16s %10s %10s %10s\n", "query", "series", "end2end", "host", "module");
    for (QueryKind kind : {QueryKind::Report, QueryKind::Resource}) {
        for (int enqplexes : {1, 8}) {
            for (int systems : {1, 8, 64}) {
                double b[3];
                bool complete = true;
                int i = 0;
                for (Share share : {Share::EndToEnd, Share::Host, Share::Module}) {
                    std::vector<std::pair<double, double>> points;
                    for (const CaseSpec& spec : caseSpecs()) {
                        if (spec.systems != systems || spec.enqplexes != enqplexes) continue;
                        const Measured* m = find(share, kind, spec);
                        // The resource query collects the rows of one resource;
                        // its series is over the enterprise's size all the same.
                        const Measured* report = find(Share::Host, QueryKind::Report, spec);
                        if (!m || !report) continue;
                        points.emplace_back(report->collected, median(m->cpuMs));
                    }
                    complete = complete && points.size() >= 2;
                    b[i++] = points.size() >= 2 ? exponent(points) : NAN;
                }
                if (!complete) continue;
                char series[32];
                std::snprintf(series, sizeof series, "sys:%d/plex:%d", systems, enqplexes);
                std::printf("%-9s %-16s %10.2f %10.2f %10.2f\n", queryName(kind), series, b[0], b[1], b[2]);
            }
        }
    }
    std::fflush(stdout);
}

} // namespace bench
