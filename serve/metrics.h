// /metrics in the Prometheus text exposition format: one prefix
// (mentrenq_), base units, _total only on counters, labels only for the
// Enqplex and the System, whose number the view's limits bound (8 and 64).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "serve/reading.h"

namespace serve {

// What the server counted since it started.
struct ServerCounts {
    uint64_t snapshotReads = 0; // readings and queries made afresh
    uint64_t cacheHits = 0;     // answered from what was kept
    // Requests answered, by endpoint ("metrics", "contention", ... "other")
    // and status code.
    std::map<std::pair<std::string, int>, uint64_t> requests;
};

// The exposition of `reading` (null: none was made yet) and the counts. While
// the view fails, the contention series are left out rather than given as 0,
// so that a failure never reads as "no contention"; mentrenq_up says it.
std::string metricsText(const Reading* reading, const ServerCounts& counts);

// A label value as the format wants it: UTF-8 with \\, \" and \n escaped; a
// byte that is not UTF-8 stands for the Latin-1 character of its value.
std::string labelValue(const std::string& bytes);

} // namespace serve
