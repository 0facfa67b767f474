// What one refresh of `mentrenq watch` shows: the picture of the moment,
// with what changed since the previous refresh marked, how long each wait
// has been seen across refreshes, and what cleared. The tracker keeps what
// it needs of earlier refreshes; a refresh that failed changes none of it,
// so that the next good one is compared with the last good one.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace cli {

struct WatchedWaiter {
    picture::Task task;
    bool isNew = false;
    int64_t seenSeconds = 0; // since the refresh that first saw it waiting
};

struct WatchedResource {
    std::string enqplex, major, minor;
    int32_t owntaskct = 0, waittaskct = 0, maxwaittm = 0;
    bool isNew = false;
    std::vector<picture::Task> owners;
    std::vector<WatchedWaiter> waiters;
    std::string unavailable; // why its tasks could not be read
};

// How one refresh went, as the command found it.
struct RefreshResult {
    const picture::Picture* picture = nullptr; // null when the view did not run or cannot be trusted
    std::string problem;   // why there is no picture, or what is wrong with it
    std::string captured;  // when the snapshot was taken ("taken T") or written ("written T"); empty for the demo
    double viewMs = 0;
    // How the recording into a history goes; empty without one.
    std::string history;
    bool historyFailed = false;
};

struct WatchFrame {
    int64_t refresh = 0;       // counted from 1
    int64_t refreshedMs = 0;   // wall clock, milliseconds since the epoch
    std::string captured;
    std::string status;        // the report's status, or the problem
    std::string problem;       // empty when the refresh went well
    bool stale = false;        // the resources are those of an earlier refresh
    std::string staleSince;    // when that refresh was, as shown
    double viewMs = 0;
    std::string history; // as RefreshResult says it
    bool historyFailed = false;
    // Longest wait first across Enqplexes (then more waiters, then the
    // report's order).
    std::vector<WatchedResource> resources;
    std::vector<std::string> cleared; // what went away since the previous good refresh
    std::vector<std::string> notSeen; // what the view passed over of the configuration
    bool nothingRead = false;         // not one configured System was read
    int64_t waiters = 0;             // the sum of WAITTASKCT
};

class WatchTracker {
public:
    // `nowSeconds`: a steady clock, for the time a wait has been seen.
    WatchFrame update(const RefreshResult& result, int64_t refreshedMs, double nowSeconds);

private:
    bool seenOne_ = false;
    int64_t refreshes_ = 0;
    std::set<std::string> resources_;               // keys of the last good refresh
    struct WaiterSeen {
        std::string resource; // its resource's key
        std::string name;     // how it is named once it cleared
    };
    std::map<std::string, WaiterSeen> waiterNames_;
    std::map<std::string, double> waitingSince_;     // key: first seen waiting
    std::vector<WatchedResource> lastResources_;
    std::string lastRefreshed_;
};

// "2026-12-10T08:15:02Z" for milliseconds since the epoch, to the whole second.
std::string utcText(int64_t ms);

} // namespace cli
