#include "picture/builder.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/data_source.h"
#include "picture/check_beside.h"
#include "picture/resource_tasks.h"
#include "picture/speculation.h"
#include "picture/trace_relay.h"
#include "platform/trace_control.h"

namespace picture {

namespace {

// A host answering from one snapshot connection, for one thread.
struct Station {
    Station(host::sql::Snapshot& snapshot, host::ResultCache& cache, const PictureOptions& options)
        : source(snapshot, &cache), host(&source), watch(options.watchHost) {
        host.keepStatements(false);
        if (watch) watch(host, false);
    }
    ~Station() {
        if (watch) watch(host, true);
    }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    host::SnapshotSource source;
    host::Host host;
    const std::function<void(host::Host&, bool)>& watch;
};

void raise(std::atomic<int>& most, int value) {
    int seen = most.load();
    while (value > seen && !most.compare_exchange_weak(seen, value)) {
    }
}

// The single-resource requests of a picture, in the order one thread would
// run them, taken one at a time by whichever thread is free.
struct Requests {
    Picture& picture;
    const host::Module& module;
    uint64_t storageLimit;
    std::vector<std::size_t> order;                      // places in picture.resources
    std::vector<std::vector<host::Predicate>> predicates; // empty: not asked
    std::atomic<std::size_t> next{0};
    // The most Systems one request did not ask for their tasks.
    std::atomic<int> systemsNotAsked{0};
    // Runs made while the report ran, taken instead of asking again.
    Speculation* speculation = nullptr;

    // Runs requests on `host` until none is left; with a relay, hands on
    // each request's trace in order.
    void work(host::Host& host, TraceRelay* relay) {
        std::optional<TraceRelay::Capture> capture;
        if (relay) capture.emplace();
        for (std::size_t k = next++; k < order.size(); k = next++) {
            Resource& r = picture.resources[order[k]];
            if (!predicates[k].empty()) {
                std::optional<ViewRun> guessed;
                if (speculation) guessed = speculation->take(predicates[k]);
                ViewRun run = guessed ? std::move(*guessed) : runView(host, module, predicates[k], storageLimit, false);
                raise(systemsNotAsked, run.trace.passedOver.systemsNotAsked);
                takeDetail(r, picture.reportRows[r.reportRow], std::move(run));
            }
            if (relay) relay->finished(k, capture->take());
        }
    }
};

} // namespace

int availableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

Picture buildPicture(host::sql::Snapshot& snapshot, const host::Module& module, const PictureOptions& options) {
    const auto began = std::chrono::steady_clock::now();
    Picture picture;
    picture.snapshot.version = snapshot.version();
    host::ResultCache ownCache;
    host::ResultCache& cache = options.cache ? *options.cache : ownCache;
    Station here(snapshot, cache, options);
    const int wantedJobs = options.jobs > 0 ? options.jobs : availableCores();

    // The other threads' connections are opened here, one after the other:
    // a snapshot in memory is copied from the caller's connection, which no
    // other thread may touch. With a check to run, the first is opened
    // before the report, so that the check runs on it meanwhile.
    std::vector<std::unique_ptr<host::sql::Snapshot>> connections;
    auto openConnections = [&](int jobs) {
        for (int j = 1 + static_cast<int>(connections.size()); j < jobs && picture.connectionNote.empty(); ++j) {
            std::string error;
            auto connection = host::sql::Snapshot::openSameVersion(snapshot, error);
            if (!connection)
                picture.connectionNote = error;
            else
                connections.push_back(std::move(connection));
        }
    };
    // While the report runs, a second connection asks for the resources
    // the snapshot's tables suggest, when nothing can see the extra
    // sessions or the order of the requests.
    std::optional<Speculation> speculation;
    if (wantedJobs > 1 && !options.watchHost && !userTraceIsOn())
        speculation.emplace(module, options.storageLimit, cache, enqplexOfPredicate(options.enqplex));
    auto speculate = [&](host::sql::Snapshot& connection, std::stop_token stop) {
        speculation->run(connection, std::move(stop));
    };
    std::optional<CheckBeside> checking;
    std::jthread spare;
    if (options.checkAlongside) {
        if (wantedJobs > 1) openConnections(2);
        if (connections.empty()) {
            speculation.reset();
            picture.checkFailed = !options.checkAlongside(snapshot);
            if (picture.checkFailed) return picture;
        } else if (speculation) {
            checking.emplace(*connections.front(), options.checkAlongside, speculate);
        } else {
            checking.emplace(*connections.front(), options.checkAlongside);
        }
    } else if (speculation) {
        // The requests need this connection anyway; when it cannot be had
        // now, opening it after the report says why.
        std::string error;
        if (auto connection = host::sql::Snapshot::openSameVersion(snapshot, error)) {
            connections.push_back(std::move(connection));
            spare = std::jthread([&speculate, on = connections.front().get()](std::stop_token stop) {
                speculate(*on, std::move(stop));
            });
        } else {
            speculation.reset();
        }
    }

    ViewRun report = runView(here.host, module, {host::Predicate::report()}, options.storageLimit);
    picture.report = report.outcome;
    picture.reportRows = std::move(report.rows);
    picture.passedOver = report.trace.passedOver;
    picture.reportTrace = report.trace.summary;
    // The order of the requests is worked out while the guesses go on.
    const std::string wanted = enqplexOfPredicate(options.enqplex);
    picture.resources.reserve(picture.reportRows.size());
    for (std::size_t i = 0; i < picture.reportRows.size(); ++i) {
        Resource r = resourceOf(picture.reportRows[i], i);
        if (wanted.empty() || r.enqplex == wanted) picture.resources.push_back(std::move(r));
    }
    picture.enqplexes = treeOrder(picture.resources);
    // The guessed runs are taken by the threads that would otherwise ask,
    // so that the requests start as soon as the order is known.
    Requests requests{picture, module, options.storageLimit, {}, {}, {}, {}, speculation ? &*speculation : nullptr};
    std::size_t asked = 0;
    for (const auto& group : picture.enqplexes) {
        for (std::size_t place : group.resources) {
            requests.order.push_back(place);
            requests.predicates.emplace_back();
            if (detailPredicates(picture.resources[place], requests.predicates.back())) ++asked;
        }
    }

    const bool passed = !checking || checking->passed();
    if (spare.joinable()) {
        spare.request_stop();
        spare.join();
    }
    if (!passed) {
        Picture refused;
        refused.snapshot = picture.snapshot;
        refused.checkFailed = true;
        return refused;
    }
    if (speculation) {
        speculation->rethrowFailure();
        std::string error;
        if (connections.front()->readingSpoiled(error)) speculation->dropAll();
    }
    if (report.outcome.endedNormally() && picture.passedOver.systemRowsRead >= 0)
        picture.passedOver.systemRowsConfigured = configuredSystemRows(snapshot.db());
    else
        picture.passedOver.systemRowsRead = -1;

    const int jobs = static_cast<int>(std::min<std::size_t>(asked, static_cast<std::size_t>(wantedJobs)));
    if (static_cast<int>(connections.size()) >= jobs) connections.resize(jobs > 0 ? jobs - 1 : 0);
    openConnections(jobs);
    picture.jobs = 1 + static_cast<int>(connections.size());

    if (connections.empty()) {
        requests.work(here.host, nullptr);
    } else {
        std::optional<TraceRelay> relay;
        if (userTraceIsOn()) relay.emplace(requests.order.size());
        std::mutex failures;
        std::exception_ptr failure;
        std::vector<std::string> spoiled;
        std::vector<std::thread> threads;
        for (auto& connection : connections) {
            threads.emplace_back([&, snapshot = connection.get()] {
                try {
                    {
                        Station station(*snapshot, cache, options);
                        requests.work(station.host, relay ? &*relay : nullptr);
                    }
                    std::string error;
                    if (snapshot->readingSpoiled(error)) {
                        std::lock_guard lock(failures);
                        spoiled.push_back(error);
                    }
                } catch (...) {
                    std::lock_guard lock(failures);
                    if (!failure) failure = std::current_exception();
                    requests.next = requests.order.size();
                }
            });
        }
        try {
            requests.work(here.host, relay ? &*relay : nullptr);
        } catch (...) {
            std::lock_guard lock(failures);
            if (!failure) failure = std::current_exception();
            requests.next = requests.order.size();
        }
        for (auto& thread : threads) thread.join();
        if (failure) std::rethrow_exception(failure);
        if (!spoiled.empty()) picture.snapshotProblem = spoiled.front();
    }
    if (speculation) {
        picture.guessesRun = speculation->ran();
        picture.guessesConfirmed = speculation->taken();
    }
    if (!options.enqplex.empty()) picture.passedOver.systemsNotAsked = requests.systemsNotAsked;
    std::string error;
    if (snapshot.readingSpoiled(error)) picture.snapshotProblem = error;
    picture.elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    return picture;
}

} // namespace picture
