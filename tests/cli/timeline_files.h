// Small snapshots made by hand for the commands that work over time: one
// Enqplex (PLEXA) of one Sysplex and one System (SYSA), each contended
// resource with its holder and waiters, and a capture time.
#pragma once

#include <string>
#include <vector>

namespace clitest {

struct Waiting {
    std::string major, minor, holder; // the holder's job, on SYSA
    std::vector<int> waits;           // each waiter's seconds
};

// A snapshot file at `path` (replaced) with these resources and, unless
// `capturedAt` is empty, CAPTURE. `broken`: the Enqplex name is one the
// view refuses, so that its view fails with status 71.
void writeTinySnapshot(const std::string& path, const std::string& capturedAt, const std::vector<Waiting>& resources,
                       bool broken = false);

// Whole-sample checks on a history file, with plain SQL: "" when
// integrity_check says ok and every sample holds exactly the rows it counts.
std::string historyWholeness(const std::string& path);

} // namespace clitest
