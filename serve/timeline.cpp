#include "serve/timeline.h"

#include <algorithm>

namespace serve {

Timeline::Timeline(int64_t sinceMs, int64_t untilMs, std::size_t maxPoints) : sinceMs_(sinceMs) {
    const int64_t length = std::max<int64_t>(untilMs - sinceMs, 1);
    const int64_t points = static_cast<int64_t>(std::max<std::size_t>(maxPoints, 1));
    spanMs_ = std::max<int64_t>((length + points - 1) / points, 1);
    lastSpan_ = points - 1;
}

void Timeline::add(const history::SampleInfo& sample) {
    ++samples_;
    // The sample at the window's very end belongs to the last span.
    const int64_t span = std::clamp<int64_t>((sample.takenMs - sinceMs_) / spanMs_, 0, lastSpan_);
    if (!span_ || *span_ != span) {
        span_ = span;
        points_.emplace_back();
        points_.back().timeMs = sample.takenMs;
    }
    TimelinePoint& p = points_.back();
    ++p.samples;
    if (!sample.reportComplete()) {
        ++p.failed;
        // A span of failures alone stands for its last sample.
        if (!p.waitingTasks) p.timeMs = sample.takenMs;
        return;
    }
    if (!p.waitingTasks || sample.waiters > *p.waitingTasks) {
        p.waitingTasks = sample.waiters;
        p.timeMs = sample.takenMs;
    }
    p.resources = std::max(p.resources.value_or(0), sample.reportRows);
    p.longestWait = std::max(p.longestWait.value_or(0), sample.longestWait);
}

} // namespace serve
