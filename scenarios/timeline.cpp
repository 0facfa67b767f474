#include "scenarios/timeline.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "contention_writer.h"
#include "enterprise_builder.h"
#include "names.h"
#include "random.h"
#include "sql_script_sink.h"
#include "sql_table_writer.h"

namespace scenarios {

namespace {

// The view's limits, with room to spare: summary and detail rows (MIM's
// holders counted), and contended resources (the rows of a report).
constexpr long rowBudget = 9000;
constexpr long resourceBudget = 4000;
// Quiet ENQs per contended resource, and where their serials start.
constexpr int quietEvery = 5;
constexpr int quietSerials = 900000;

struct Resource {
    int serial;
    int owners; // the first tasks
    std::vector<Task> tasks;

    int waiters() const { return static_cast<int>(tasks.size()) - owners; }
};

struct EnqplexState {
    std::vector<Resource> live;
    std::vector<Resource> quiet;
    int nextSerial = 0;
};

} // namespace

struct Timeline::State {
    GeneratorOptions options;
    std::vector<EnqplexInfo> layout;
    std::vector<std::string> jobs;
    std::vector<EnqplexState> enqplexes;
    SplitMix64 rng;
    long rows = 0, resources = 0;

    explicit State(const GeneratorOptions& o) : options(o), layout(layOut(o)), jobs(jobNames()), rng(o.seed) {}

    int systemCount(size_t e) const { return static_cast<int>(layout[e].systems.size()); }

    // The rows a resource costs the view: its summary row, a detail row per
    // task, and one per MIM holder (at most one per waiter).
    long rowsOf(size_t e, const Resource& r) const {
        return 1 + static_cast<long>(r.tasks.size()) + (layout[e].isMim ? r.waiters() : 0);
    }

    bool fits(long moreRows, long moreResources) const {
        return rows + moreRows <= rowBudget && resources + moreResources <= resourceBudget;
    }

    // A job of the System with no task on the resource yet.
    int pickJob(int sys, const std::vector<Task>& tasks) {
        int job = rng.below(names::jobPoolSize);
        auto taken = [&](int j) {
            return std::any_of(tasks.begin(), tasks.end(), [&](const Task& t) { return t.system == sys && t.job == j; });
        };
        while (taken(job)) job = (job + 1) % names::jobPoolSize;
        return job;
    }

    // A System near the owner half the time (its Sysplex), anywhere else otherwise.
    int nearSystem(size_t e, int owner) {
        if (!rng.chance(1, 2)) return rng.below(systemCount(e));
        const int first = layout[e].systems[static_cast<size_t>(owner)].sysplex * options.systems;
        return first + rng.below(options.systems);
    }

    void addWaiter(size_t e, Resource& r, int32_t wait) {
        const int sys = nearSystem(e, r.tasks.front().system);
        const bool shared = r.tasks.front().type == 1;
        r.tasks.push_back({sys, pickJob(sys, r.tasks), false, shared ? 0 : rng.below(2), 0, wait});
    }

    // Half the waits of the first moment under a minute, the others up to an hour.
    int32_t firstWait() { return rng.chance(1, 2) ? 1 + rng.below(59) : 60 + rng.below(3540); }

    Resource newResource(size_t e, int step, bool first) {
        Resource r{enqplexes[e].nextSerial++, 1, {}};
        const int owner = rng.below(systemCount(e));
        const bool shared = rng.chance(1, 4);
        r.tasks.push_back({owner, pickJob(owner, r.tasks), true, shared ? 1 : 0, rng.chance(1, 16) ? 1 : 0, 0});
        if (shared && rng.chance(1, 2)) {
            const int sys = nearSystem(e, owner);
            r.tasks.push_back({sys, pickJob(sys, r.tasks), true, 1, 0, 0});
            r.owners = 2;
        }
        const int waiters = 1 + rng.below(std::max(1, options.tasks - 1));
        for (int w = 0; w < waiters; ++w) addWaiter(e, r, first ? firstWait() : 1 + rng.below(step));
        return r;
    }

    // The owners let go: the longest waiter takes the resource, and with a
    // shared request every shared waiter too.
    void handOver(Resource& r) {
        std::vector<Task> waiters(r.tasks.begin() + r.owners, r.tasks.end());
        const auto next = std::max_element(waiters.begin(), waiters.end(),
                                           [](const Task& a, const Task& b) { return a.wait < b.wait; });
        const bool shared = next->type == 1;
        std::vector<Task> owners, rest;
        for (auto it = waiters.begin(); it != waiters.end(); ++it) {
            Task t = *it;
            if (it == next || (shared && t.type == 1)) {
                t.owner = true;
                t.wait = 0;
                owners.push_back(t);
            } else {
                rest.push_back(t);
            }
        }
        r.owners = static_cast<int>(owners.size());
        r.tasks = std::move(owners);
        r.tasks.insert(r.tasks.end(), rest.begin(), rest.end());
    }

    void count() {
        rows = resources = 0;
        for (size_t e = 0; e < enqplexes.size(); ++e)
            for (const Resource& r : enqplexes[e].live) {
                rows += rowsOf(e, r);
                ++resources;
            }
    }

    void start() {
        for (size_t e = 0; e < layout.size(); ++e) {
            EnqplexState& x = enqplexes.emplace_back();
            for (int i = 0; i < options.resources; ++i) {
                Resource r = newResource(e, 1, true);
                if (!fits(rowsOf(e, r), 1)) break;
                rows += rowsOf(e, r);
                ++resources;
                x.live.push_back(std::move(r));
            }
            for (int q = 0; q < options.resources / quietEvery; ++q) {
                const int sys = rng.below(systemCount(e));
                Resource r{quietSerials + q, 1, {}};
                r.tasks.push_back({sys, pickJob(sys, r.tasks), true, rng.below(2), 0, 0});
                x.quiet.push_back(std::move(r));
            }
        }
    }

    void step(int seconds) {
        for (size_t e = 0; e < enqplexes.size(); ++e) {
            std::vector<Resource> still;
            for (Resource& r : enqplexes[e].live) {
                for (size_t i = static_cast<size_t>(r.owners); i < r.tasks.size(); ++i)
                    r.tasks[i].wait = std::min<int64_t>(INT32_MAX, int64_t{r.tasks[i].wait} + seconds);
                for (size_t i = r.tasks.size(); i-- > static_cast<size_t>(r.owners);)
                    if (rng.chance(1, 30)) r.tasks.erase(r.tasks.begin() + static_cast<long>(i));
                if (r.waiters() > 0 && rng.chance(1, 6)) handOver(r);
                if (r.waiters() > 0 && rng.chance(1, 5) && fits(layout[e].isMim ? 2 : 1, 0)) {
                    addWaiter(e, r, 1 + rng.below(seconds));
                    rows += layout[e].isMim ? 2 : 1;
                }
                if (r.waiters() > 0) still.push_back(std::move(r));
            }
            enqplexes[e].live = std::move(still);
        }
        count();
        for (size_t e = 0; e < enqplexes.size(); ++e) {
            const long live = static_cast<long>(enqplexes[e].live.size());
            int starts = rng.chance(1, 8) ? 1 : 0;
            for (long missing = options.resources - live; missing > 0; --missing) starts += rng.chance(1, 3) ? 1 : 0;
            for (int s = 0; s < starts; ++s) {
                Resource r = newResource(e, seconds, false);
                if (!fits(rowsOf(e, r), 1)) break;
                rows += rowsOf(e, r);
                ++resources;
                enqplexes[e].live.push_back(std::move(r));
            }
        }
    }
};

Timeline::Timeline(const GeneratorOptions& options) {
    validateOptions(options);
    state_ = std::make_unique<State>(options);
    state_->start();
}

Timeline::~Timeline() = default;

std::string Timeline::script(std::string_view takenAt) const {
    const State& s = *state_;
    SqlScriptSink sink;
    sendConfiguration(s.layout, sink);
    names::ResourceName name;
    for (size_t e = 0; e < s.layout.size(); ++e) {
        ResourceWriter writer(s.layout[e], s.jobs, sink);
        for (const Resource& r : s.enqplexes[e].live) {
            names::resourceName(static_cast<int>(e), r.serial, name);
            writer.contended(name, r.tasks, r.owners, r.tasks.front().type);
        }
        for (const Resource& r : s.enqplexes[e].quiet) {
            names::resourceName(static_cast<int>(e), r.serial, name);
            writer.uncontended(name, r.tasks);
        }
    }
    const GeneratorOptions& o = s.options;
    std::string script = sink.finish(
        "-- A moment of a generated timeline: --enqplexes " + std::to_string(o.enqplexes) + " --sysplexes " +
        std::to_string(o.sysplexes) + " --systems " + std::to_string(o.systems) + " --resources " +
        std::to_string(o.resources) + " --tasks " + std::to_string(o.tasks) + " --seed " + std::to_string(o.seed) +
        "\n-- INSERT statements for the tables of enterprise.sql.\n");
    script += "INSERT INTO CAPTURE (TAKEN_AT) VALUES (";
    appendSqlString(script, takenAt);
    script += ");\n";
    return script;
}

void Timeline::advance(int seconds) {
    if (seconds < 1) throw std::invalid_argument("a timeline moves on by 1 second or more");
    state_->step(seconds);
}

long Timeline::contendedResources() const { return state_->resources; }

long Timeline::contendedTasks() const {
    long tasks = 0;
    for (const auto& x : state_->enqplexes)
        for (const auto& r : x.live) tasks += static_cast<long>(r.tasks.size());
    return tasks;
}

} // namespace scenarios
