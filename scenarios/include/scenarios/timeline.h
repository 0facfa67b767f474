// An enterprise whose contention changes over time, for the commands that
// keep the view's results over time: snapshot after snapshot, waits start,
// grow with the time that passes, move to another holder when the holder
// lets go, and end; resources become contended and free again.
//
// The enterprise is laid out as the generator lays it out (generator.h),
// and starts with about `resources` contended resources per Enqplex. Each
// step, per resource: every wait grows by the step; a waiter gives up now
// and then; the owners let go now and then, and the longest waiter (with
// every shared waiter behind a shared one) becomes the owner; a new waiter
// arrives now and then; a resource without waiters is free again. New
// contended resources start where fewer than `resources` are. It never
// grows past the view's limits: at most 9000 summary and detail rows and
// 4000 contended resources in all.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "scenarios/generator.h"

namespace scenarios {

inline constexpr int minTimelineSnapshots = 2;
inline constexpr int maxTimelineSnapshots = 10000;
inline constexpr int maxTimelineStepSeconds = 86400;

class Timeline {
public:
    // Throws std::invalid_argument, as generateEnterpriseSql does.
    explicit Timeline(const GeneratorOptions& options);
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    // The snapshot of the present moment: INSERTs for the tables of
    // enterprise.sql, with CAPTURE holding `takenAt`. The same options and
    // steps always give the same text.
    std::string script(std::string_view takenAt) const;

    // Moves the enterprise `seconds` (at least 1) on.
    void advance(int seconds);

    // The present moment: contended resources, and their tasks (MIM's
    // holders left out).
    long contendedResources() const;
    long contendedTasks() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace scenarios
