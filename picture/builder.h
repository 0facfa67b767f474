// Builds a picture: the report on the caller's snapshot connection, then one
// single-resource request per contended resource, run by several threads at
// once, each with a host and a snapshot connection of its own that reads
// the same version as the caller's. Every request is its own session, as a
// client of the data server would run it; what the picture holds (rows,
// order, statuses, and the trace written to the program's sink) is the same
// whatever the number of threads. With more than one thread, no user trace
// and no host watched, a second connection already runs requests for the
// resources the snapshot's tables suggest while the report runs; a resource
// the report names takes such a run only when it asked with exactly its
// predicates.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/host.h"
#include "core/module.h"
#include "core/result_cache.h"
#include "picture/picture.h"
#include "sql/snapshot.h"

namespace picture {

// The most threads a picture runs requests on.
inline constexpr int maxJobs = 256;

struct PictureOptions {
    // Threads that run the single-resource requests, 0 to maxJobs; 0: one
    // per core.
    int jobs = 0;
    // Bytes one session may obtain from the data server.
    uint64_t storageLimit = UINT64_MAX;
    // An ENQPLEX predicate value: only the resources of that Enqplex are
    // asked about (the report keeps every row). Empty: every Enqplex.
    std::string enqplex;
    // Answers of repeated statements, shared with other pictures (and safe
    // to share between threads); null: the picture keeps its own.
    host::ResultCache* cache = nullptr;
    // Called on each host the picture makes, on the thread that will use it,
    // before its first session, and once more when its last session ended
    // (`done`). The hosts keep no statement log unless told to here.
    std::function<void(host::Host&, bool done)> watchHost;
    // A check of the snapshot that must pass before anything of the picture
    // counts. With more than one thread it runs on a connection of its own
    // while the report runs (that connection then serves requests, its pages
    // already read), and the report's trace is held back until it passed;
    // with one thread it runs before the report. When it fails the picture
    // stops there, with Picture::checkFailed set and nothing traced.
    std::function<bool(host::sql::Snapshot&)> checkAlongside;
};

// The number of cores this process may run on.
int availableCores();

// Builds the picture from `snapshot`, which the caller's thread may not use
// meanwhile. The module must outlive the call.
Picture buildPicture(host::sql::Snapshot& snapshot, const host::Module& module, const PictureOptions& options = {});

} // namespace picture
