// One request of the view, run the way the data server runs it: session
// start, request calls until the module stops, session end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/module.h"
#include "core/session.h"
#include "picture/view_trace.h"
#include "zrx/mentrenq_row.h"
#include "zrx/status.h"

namespace picture {

// How a request ended.
struct ViewOutcome {
    int32_t status = 0; // the final status: zrx::entry::noMoreRows when the view ended normally; 0 when not run
    zrx::Abandon abandonReason = zrx::Abandon::None; // as the session recorded it
    uint64_t storageLimit = UINT64_MAX;              // bytes one session could obtain
    int storageRefusals = 0;                         // storage requests the limit refused
    double elapsedMs = 0;

    bool endedNormally() const { return status == zrx::entry::noMoreRows; }
    // "status 71: view abandoned (...)", and the storage limit when it
    // refused storage.
    std::string description() const;
};

struct ViewRun {
    ViewOutcome outcome;
    std::vector<zrx::MentrenqRow> rows; // in the order the view handed them over
    RequestTrace trace;                 // what the command read in the request's trace
};

// `storageLimit`: bytes the session may obtain. Without `countSystemRows`
// the trace's passedOver.systemRowsRead stays -1, which spares a request
// whose count nobody reads two trace events per MXCFSYS row.
ViewRun runView(host::Host& host, const host::Module& module, const std::vector<host::Predicate>& predicates,
                uint64_t storageLimit = UINT64_MAX, bool countSystemRows = true);

// What a final status of the view means, using the reason the session
// recorded to tell why a view was abandoned; e.g. "view abandoned (invalid
// index predicates)".
std::string describeStatus(int32_t status, zrx::Abandon reason);

} // namespace picture
