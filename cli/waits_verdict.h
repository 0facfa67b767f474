// The verdict of `mentrenq waits`, a check run by monitoring systems: the
// longest wait and the number of waiting tasks of one or more samples of
// the view, judged against thresholds, written as the monitoring-plugins
// convention wants it (one line, performance data after '|') or as JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/alert_range.h"
#include "picture/picture.h"

namespace cli {

// Ordered: a worse state compares greater. The values are the exit statuses.
// The most samples --for may ask for.
inline constexpr long long maxSamplesFor = 10000;

enum class CheckState { ok = 0, warning = 1, critical = 2, unknown = 3 };

const char* stateName(CheckState state);

// What one sample of the view says about the waits.
struct WaitsMeasure {
    std::string time;    // when the sample was taken, for messages; may be empty
    std::string failure; // why the sample holds no measure; empty when it does
    int64_t longestWait = 0;
    int64_t waiters = 0;   // the sum of WAITTASKCT
    int64_t resources = 0; // contended resources
    // The resource with the longest wait and its holder; unset without contention.
    bool hasWorst = false;
    std::string enqplex, major, minor;
    std::string holder, holderSystem; // empty when its owners could not be read
    std::string holderProblem;        // why they could not

    bool failed() const { return !failure.empty(); }
};

// The measure of a picture, over the resources it asked about (so one
// Enqplex when it was built for one). A report that did not end normally
// gives a failed measure.
WaitsMeasure measurePicture(const picture::Picture& picture);

struct WaitsThresholds {
    std::optional<AlertRange> warning, critical;               // on the longest wait, in seconds
    std::optional<AlertRange> waitersWarning, waitersCritical; // on the waiting tasks
};

struct WaitsVerdict {
    CheckState state = CheckState::unknown;
    std::string summary;  // after "MENTRENQ WAITS STATE - "
    std::string perfdata; // empty when there is no measure to give
    std::optional<WaitsMeasure> measure; // the latest sample's, when it has one
    std::size_t samples = 0;             // judged
};

// Judges the last `required` samples of `samples` (oldest first): a state
// is raised only when it held in each of them; a failed sample among them,
// or fewer samples than required, gives UNKNOWN.
WaitsVerdict judgeWaits(const std::vector<WaitsMeasure>& samples, const WaitsThresholds& thresholds,
                        std::size_t required = 1);

// A verdict that no sample could be judged: UNKNOWN with `reason`.
WaitsVerdict unknownVerdict(const std::string& reason);

// "MENTRENQ WAITS STATE - summary | perfdata", newline included.
std::string checkLine(const WaitsVerdict& verdict);
void writeVerdictJson(std::ostream& out, const WaitsVerdict& verdict, const WaitsThresholds& thresholds);

} // namespace cli
