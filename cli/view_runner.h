// Runs MENTRENQ queries through the module exactly as the data server does:
// session start, request calls until the module stops, session end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/data_source.h"
#include "core/host.h"
#include "core/module.h"
#include "core/result_cache.h"
#include "core/session.h"
#include "picture/view_trace.h"
#include "sql/snapshot.h"
#include "zrx/mentrenq_row.h"
#include "zrx/status.h"

namespace cli {

struct ViewResult {
    int32_t status = 0;     // the final status: zrx::entry::noMoreRows when the view ended normally
    std::vector<zrx::MentrenqRow> rows;
    double elapsedMs = 0;
    zrx::Abandon abandonReason = zrx::Abandon::None; // as the session recorded it
    uint64_t storageLimit = UINT64_MAX;
    int storageRefusals = 0;        // storage requests the limit refused
    picture::RequestTrace trace;    // what the command read in the request's trace
};

class ViewRunner {
public:
    // `storageLimit`: bytes that one session may obtain.
    ViewRunner(host::sql::Snapshot& snapshot, const host::Module& module, uint64_t storageLimit = UINT64_MAX);

    // The request's passedOver counts the MXCFSYS rows configured when the
    // view ended normally.
    ViewResult run(const std::vector<host::Predicate>& predicates);
    host::Host& host() { return host_; }

    // What the requests so far passed over and, of the first that wrote
    // lines, those lines summed up: a command that runs several requests
    // states each once.
    const picture::PassedOver& passedOver() const { return passedOver_; }
    const picture::TraceSummary& firstLines() const { return firstLines_; }

private:
    host::sql::Snapshot& snapshot_;
    int64_t configured_ = -2; // MXCFSYS rows; -2 until counted
    picture::PassedOver passedOver_;
    picture::TraceSummary firstLines_;
    host::ResultCache cache_;
    host::SnapshotSource source_;
    host::Host host_;
    const host::Module& module_;
    uint64_t storageLimit_;
};

// The module file the command loads: `requested` when given, else
// $MENTRENQ_MODULE, else ZRX.so in the lib folder beside the program's.
std::string moduleFile(const std::string& requested);

// What a final status of the view means, using the reason the session
// recorded to tell why a view was abandoned; e.g. "view abandoned (invalid
// index predicates)".
std::string describeStatus(int32_t status, zrx::Abandon reason);

// "status 71: view abandoned (...)", and the storage limit when it refused
// storage.
std::string describeResult(const ViewResult& result);

} // namespace cli
