// Runs one whole session the way the data server does: the session start,
// request calls until one returns nonzero, the session end; what each call
// returned and what the session held are kept for the caller (the rows move
// from the session to the run).
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/session.h"
#include "zrx/mentrenq_row.h"
#include "zrx/status.h"

namespace host {

struct SessionRun {
    int32_t start = -1;
    std::vector<int32_t> requests; // every request call's status, in order
    int32_t end = -1;
    std::vector<zrx::MentrenqRow> rows;
    LiveObjects liveBeforeEnd;     // what the request calls left open
    LiveObjects liveAtEnd;         // after the session end entry returned
    uint64_t storageAfterRelease = 0;
    int storageRefusals = 0;
    zrx::Abandon abandonReason = zrx::Abandon::None;

    int32_t last() const { return requests.empty() ? -1 : requests.back(); }
    // The status that ended the query: the start's when it failed, else the
    // last request call's.
    int32_t finalStatus() const { return start != zrx::entry::ok ? start : last(); }
};

struct RunLimits {
    int maxCalls = INT_MAX; // request calls at most, before the extra ones
    int extraCalls = 0;     // calls after the first nonzero status, as a host that goes on calling
};

// Hooks into a run: after the start returned, after each request call
// (returning false stops the calls), and before the end, while the work
// area is still there.
struct RunHooks {
    std::function<void(Session&, int32_t start)> afterStart;
    std::function<bool(Session&, int32_t status)> afterRequest;
    std::function<void(Session&)> beforeEnd;
};

SessionRun runSession(Session& session, const RunLimits& limits = {}, const RunHooks& hooks = {});

} // namespace host
