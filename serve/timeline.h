// The timeline of a history that the page draws: for each moment, how many
// resources were contended and how many tasks waited. A window holds any
// number of samples, the page a bounded number of points: the window is cut
// into equal spans, one point per span that holds a sample. A point's
// figures are the largest of its span, so that a spike never vanishes in
// the downsampling, and its time is that of the span's sample with the most
// waiting tasks, a sample that `?at=` finds exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "history/reader.h"

namespace serve {

struct TimelinePoint {
    int64_t timeMs = 0;  // the sample the point stands for
    int64_t samples = 0; // samples in its span
    int64_t failed = 0;  // of them, those whose report did not end normally
    // The largest over the span's samples whose report ended normally; none
    // when every one failed (a failure is not "no contention").
    std::optional<int64_t> resources, waitingTasks, longestWait;
};

class Timeline {
public:
    // Points for [sinceMs, untilMs], at most `maxPoints` (at least 1).
    Timeline(int64_t sinceMs, int64_t untilMs, std::size_t maxPoints);

    // Each sample of the window, in time order.
    void add(const history::SampleInfo& sample);

    const std::vector<TimelinePoint>& points() const { return points_; }
    int64_t samples() const { return samples_; }
    int64_t spanMs() const { return spanMs_; }
    // Some point stands for more than one sample.
    bool downsampled() const { return samples_ > static_cast<int64_t>(points_.size()); }

private:
    int64_t sinceMs_, spanMs_, lastSpan_;
    std::optional<int64_t> span_; // of the last point
    int64_t samples_ = 0;
    std::vector<TimelinePoint> points_;
};

} // namespace serve
