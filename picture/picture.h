// One picture of the contention in an enterprise: the report (one row per
// contended resource) and, for each resource, its owners and waiters from a
// single-resource request, all read from one version of one snapshot.
//
// The rows are kept exactly as the view handed them over, so that a stored
// picture gives back what `query --report` and a query for one resource
// answered; the tasks are also decoded for the commands that show them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/view_request.h"
#include "sql/snapshot_version.h"
#include "zrx/mentrenq_row.h"

namespace picture {

// One owner or waiter of a resource.
struct Task {
    std::string job; // the owning or waiting address space, without trailing blanks
    std::string sysname;
    std::string plxname;
    unsigned asid = 0;
    bool exclusive = true;
    bool trueOwner = false;
    int32_t waittime = 0;
};

struct Resource {
    std::size_t reportRow = 0; // its row in Picture::reportRows
    std::string enqplex;       // names without trailing blanks
    std::string major;
    std::string minor;
    int32_t owntaskct = 0;
    int32_t waittaskct = 0;
    int32_t maxwaittm = 0;

    // Whether its single-resource request ran (not when no request can
    // carry its names), and how it ended.
    bool asked = false;
    ViewOutcome detail;
    // Every row that request handed over, in its order, the rows of other
    // resources that match the same predicates included.
    std::vector<zrx::MentrenqRow> detailRows;

    // The tasks of this very resource among those rows: owners in the
    // view's order, waiters longest wait first.
    std::vector<Task> owners;
    std::vector<Task> waiters;
    // Why its tasks could not be read; empty when they were.
    std::string unavailable;
};

// The resources of one Enqplex in the order a person reads them: longest
// wait first.
struct EnqplexResources {
    std::string name;
    std::vector<std::size_t> resources; // places in Picture::resources
};

// Which snapshot the picture was read from. (Meant to grow: whatever else a
// snapshot says about itself belongs here.)
struct SnapshotInfo {
    host::sql::SnapshotVersion version;
};

// A resource whose tasks the picture lacks, and why.
struct Gap {
    std::string enqplex;
    std::string major;
    std::string minor;
    std::string reason;
};

struct Picture {
    ViewOutcome report;
    std::vector<zrx::MentrenqRow> reportRows; // every row of the report, in its order
    // The contended resources of the Enqplexes asked for, in report order.
    std::vector<Resource> resources;
    std::vector<EnqplexResources> enqplexes;

    SnapshotInfo snapshot;
    double elapsedMs = 0;  // the whole picture
    // Threads that ran single-resource requests, each on a snapshot
    // connection of its own.
    int jobs = 1;
    // Why fewer threads ran than were asked for (another connection could
    // not be shown to read the same version); empty otherwise.
    std::string connectionNote;
    // Set when a connection's reading cannot be trusted (the file changed
    // while it was read without locks): the picture is then not complete.
    std::string snapshotProblem;
    // What the view passed over of the configuration: the report's
    // discovery, and the Systems its resource requests did not ask when
    // the picture is of one Enqplex (a report asks in every Enqplex).
    PassedOver passedOver;
    // The lines the report's request wrote, summed up.
    TraceSummary reportTrace;
    // Requests run for resources guessed before the report named them, and
    // those the report confirmed, whose runs the picture took.
    std::size_t guessesRun = 0;
    std::size_t guessesConfirmed = 0;
    // PictureOptions::checkAlongside failed: nothing else here counts.
    bool checkFailed = false;

    // The report ended normally, every resource's tasks were read and the
    // snapshot stayed as it was.
    bool complete() const;
    std::vector<Gap> gaps() const;
};

} // namespace picture
