// What one sample of the view holds: the report, then each contended
// resource's own rows, as the view handed them out, with the statuses that
// say how complete they are. The writer takes it as it is; the reader gives
// it back the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "picture/view_trace.h"
#include "zrx/mentrenq_row.h"
#include "zrx/status.h"

namespace history {

// The owners and waiters of one resource of the report.
struct SampleResource {
    // The final status of the resource's own query; 0 when it could not be
    // asked (`unavailable` says why).
    int32_t detailStatus = zrx::entry::noMoreRows;
    zrx::Abandon abandon = zrx::Abandon::None; // why its query was abandoned
    std::string unavailable; // why its tasks could not be read; empty when they were
    std::vector<zrx::MentrenqRow> rows; // as its query handed them out
};

struct Sample {
    int64_t takenMs = 0;   // the snapshot's capture time, or when it was read
    bool captured = false; // takenMs is the capture time
    std::string snapshot;  // the file as it was named
    std::string snapshotIdentity; // which version of it was read
    // The report's final status; none when the snapshot could not be read
    // and the view did not run.
    std::optional<int32_t> status;
    zrx::Abandon abandon = zrx::Abandon::None;
    std::string reason; // what went wrong, as the command says it; empty when nothing did
    double viewMs = 0;
    std::vector<std::string> enqplexes; // the snapshot's Enqplexes
    std::vector<zrx::MentrenqRow> report; // in the report's order
    // One per report row, in the same order; may be shorter (a failed report).
    std::vector<SampleResource> resources;
    // What the view passed over of the configuration; `passedOverKept` is
    // false for a sample of a history written before that was kept.
    picture::PassedOver passedOver;
    bool passedOverKept = false;

    // The report ended normally: its rows are the whole contention.
    bool reportComplete() const { return status == zrx::entry::noMoreRows; }
};

} // namespace history
