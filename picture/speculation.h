// Single-resource requests started before the report has named the
// resources: the snapshot's own tables say which resources its PlexHubs
// hold, and a spare connection asks for them while the report runs on
// another. A guess only counts when the report confirms it: a resource takes
// the run of a guess whose predicates are exactly its own, since the same
// request on the same version answers the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/module.h"
#include "core/result_cache.h"
#include "picture/picture.h"
#include "platform/trace_control.h"
#include "sql/snapshot.h"

namespace picture {

// The resources the report would name, read from the snapshot's tables: the
// distinct names in the contention rows of each online PlexHub, under each
// Enqplex that its Systems name. `enqplex` (a name as Resource holds it):
// only that Enqplex's; empty: all. In no particular order. Stops early, with
// what it found so far, when `stop` is requested: guesses are no use once
// the report is done.
std::vector<Resource> guessResources(host::sql::Snapshot& snapshot, const std::string& enqplex,
                                     std::stop_token stop = {});

class Speculation {
public:
    // The requests run as the picture's do: on `module`, with
    // `storageLimit`, sharing `cache`; all must outlive this object.
    // `enqplex`: as for guessResources.
    Speculation(const host::Module& module, uint64_t storageLimit, host::ResultCache& cache, std::string enqplex);
    Speculation(const Speculation&) = delete;
    Speculation& operator=(const Speculation&) = delete;

    // Guesses to run instead of those the connection's tables give.
    void guess(const std::vector<Resource>& resources);

    // Guesses (unless told), then runs the guesses' requests on `connection`
    // one after the other until `stop` is requested, finishing the request
    // under way, or until all ran. What a request throws ends the run and
    // is kept for rethrowFailure().
    void run(host::sql::Snapshot& connection, std::stop_token stop);

    // The rest is for after run() returned.
    void rethrowFailure() const;
    // Forgets every run, e.g. when the connection's reading is spoiled.
    void dropAll();
    // The run of a request with exactly these predicates, handed out once;
    // what the request wrote to the trace is written then, and never for a
    // run not taken. Several threads may take at once.
    std::optional<ViewRun> take(const std::vector<host::Predicate>& predicates);
    std::size_t ran() const { return ran_; }
    std::size_t taken() const { return taken_; }

private:
    struct Guess {
        std::vector<host::Predicate> predicates;
        std::optional<ViewRun> run;
        std::vector<platform::TraceRecord> trace;
    };
    void add(Resource resource);

    const host::Module& module_;
    uint64_t storageLimit_;
    host::ResultCache& cache_;
    std::string enqplex_;
    bool told_ = false;
    std::vector<Guess> guesses_;
    std::unordered_map<std::string, std::size_t> byNames_; // places in guesses_
    std::size_t ran_ = 0;
    std::mutex taking_; // guards the runs and taken_ once run() returned
    std::size_t taken_ = 0;
    std::exception_ptr failure_;
};

} // namespace picture
