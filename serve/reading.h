// One reading of the snapshot: the picture every endpoint answers from (the
// report, each contended resource's owners and waiters, how the view ended),
// with what the snapshot says about itself and its configuration.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "serve/configuration.h"
#include "serve/snapshot_stamp.h"
#include "zrx/mentrenq_row.h"
#include "zrx/status.h"

namespace serve {

struct ServedTask {
    std::string job; // without trailing blanks
    std::string sysname;
    unsigned asid = 0;
    bool exclusive = true;
    bool trueOwner = false;
    int32_t waittime = 0; // seconds; 0 for an owner
};

struct ServedResource {
    std::string enqplex; // names without trailing blanks
    std::string major;
    std::string minor;
    int32_t owntaskct = 0;
    int32_t waittaskct = 0;
    int32_t maxwaittm = 0;
    std::vector<ServedTask> owners;
    std::vector<ServedTask> waiters; // longest wait first
    // The rows the resource's own request handed over for it.
    std::size_t taskRows = 0;
    std::string unavailable; // why its tasks could not be read; empty when they were
};

struct Reading {
    StampPair stamp;                    // the file as it was when read; unset for the demo
    std::string source;                 // the snapshot file, or "the built-in demo"
    int64_t readMs = 0;                 // wall clock, milliseconds since the epoch
    std::optional<int64_t> capturedMs;  // the snapshot's own capture time, when it says one
    std::optional<int64_t> modifiedMs;  // the file's modification time; none for the demo

    // The report: how it ended, and its rows as the view handed them over.
    int32_t status = 0;
    zrx::Abandon abandon = zrx::Abandon::None;
    std::string statusText; // "status 62: end of data"
    std::vector<zrx::MentrenqRow> reportRows;
    // Resources of the report, grouped by Enqplex in report order, each
    // group longest wait first.
    std::vector<ServedResource> resources;
    double viewSeconds = 0; // the whole reading, report and every resource
    // What the report's view passed over of the configuration, one
    // sentence each.
    std::vector<std::string> notSeen;

    // The Enqplexes and Systems the snapshot configures, contended or not.
    Configuration configuration;
    // The tree as `tree --format json` writes it, and as
    // `tree --enqplex NAME --format json` writes it for each Enqplex.
    std::string treeJson;
    std::vector<std::pair<std::string, std::string>> enqplexTreeJson;

    // The report's contention document, written once for the reading.
    mutable std::once_flag reportDocumentOnce;
    mutable std::string reportDocument;

    bool endedNormally() const { return status == zrx::entry::noMoreRows; }
    // The report ended normally and every resource's tasks were read.
    bool complete() const;
    // The time the picture stands for: the capture time, else the time the
    // file was last written, else (the demo) the time it was read.
    int64_t timestampMs() const { return capturedMs ? *capturedMs : modifiedMs ? *modifiedMs : readMs; }
    const char* timestampSource() const { return capturedMs ? "capture" : modifiedMs ? "file" : "read"; }
};

} // namespace serve
