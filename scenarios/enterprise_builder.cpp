#include "enterprise_builder.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "names.h"
#include "random.h"

namespace scenarios {

namespace {

// Which Systems stand out, counting Systems across the whole enterprise.
constexpr int offlineAgentEvery = 7;
constexpr int cicsAgentEvery = 5;
// Enqplexes 1, 4 and 7 (0-based) are MIM-managed unless they are "*DEFAULT".
constexpr int mimEnqplexEvery = 3;
// Uncontended ENQs per contended resource.
constexpr int uncontendedEvery = 5;

struct SysplexInfo {
    std::string name, hubNode, thruNode;
};

struct SystemInfo {
    std::string name, agentNode, thruNode;
    int sysplex, member; // its Sysplex and its place in it
    bool online, cicsAgent;
};

struct EnqplexInfo {
    std::string name;
    bool isDefault = false, isMim = false;
    std::vector<SysplexInfo> sysplexes;
    std::vector<SystemInfo> systems; // Sysplex by Sysplex
};

void require(bool ok, const std::string& message) {
    if (!ok) throw std::invalid_argument(message);
}

std::string bounds(std::string_view option, long low, long high, long value) {
    return std::string(option) + " must be from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not " + std::to_string(value);
}

std::vector<EnqplexInfo> layOut(const GeneratorOptions& o) {
    std::vector<EnqplexInfo> enqplexes(static_cast<size_t>(o.enqplexes));
    int counted = 0;
    for (int e = 0; e < o.enqplexes; ++e) {
        EnqplexInfo& x = enqplexes[static_cast<size_t>(e)];
        x.name = names::enqplexName(e);
        x.isDefault = o.enqplexes >= 2 && e == o.enqplexes - 1;
        x.isMim = !x.isDefault && e % mimEnqplexEvery == 1;
        for (int p = 0; p < o.sysplexes; ++p) {
            std::string plex = names::sysplexName(e, p);
            x.sysplexes.push_back({plex, names::plexHubNode(plex), names::thruNode(plex)});
            for (int q = 0; q < o.systems; ++q, ++counted) {
                std::string sys = names::systemName(e, p, q);
                x.systems.push_back({sys, names::agentNode(sys), names::thruNode(sys), p, q,
                                     counted % offlineAgentEvery != offlineAgentEvery - 1,
                                     counted % cicsAgentEvery == 2});
            }
        }
    }
    return enqplexes;
}

// INODESTS: the hub, then each PlexHub followed by its Systems' agents.
// MXCFSYS: each Sysplex's members in order.
void sendConfiguration(const std::vector<EnqplexInfo>& enqplexes, RowSink& sink) {
    sink.node({names::hubNode, names::hubNode, names::hubAffinities, true});
    for (const EnqplexInfo& x : enqplexes) {
        for (const SystemInfo& sys : x.systems) {
            const SysplexInfo& plex = x.sysplexes[static_cast<size_t>(sys.sysplex)];
            if (sys.member == 0)
                sink.node({plex.hubNode, plex.thruNode, names::plexHubAffinities, true});
            sink.node({sys.agentNode, sys.thruNode, names::enqAgentAffinities, sys.online});
            if (sys.cicsAgent) {
                const std::string node = names::cicsAgentNode(sys.name);
                const std::string thru = sys.thruNode + "_CICS";
                sink.node({node, thru, names::otherAgentAffinities, true});
            }
        }
    }

    for (const EnqplexInfo& x : enqplexes) {
        const std::string named = x.isMim ? x.name + "." + std::string(names::mimJob) : x.name;
        for (const SystemInfo& sys : x.systems) {
            const SysplexInfo& plex = x.sysplexes[static_cast<size_t>(sys.sysplex)];
            // "*DEFAULT" members name no Enqplex, some blank and some null.
            std::optional<std::string_view> enqplex;
            if (!x.isDefault) enqplex = named;
            else if (sys.member % 2 == 0) enqplex = std::string_view();
            sink.sysplexMember({plex.thruNode, sys.name, 60, 15, "ACTIVE", "SP7.2.5", plex.hubNode,
                                enqplex});
        }
    }
}

struct Task {
    int system;
    int job; // index into the job pool; -1 for MIM
    bool owner;
    int type, swapped;
    int32_t wait;
};

// The contention of one Enqplex, resource by resource: the truth goes to the
// agents' tables, each Sysplex's view to its PlexHub's MGLBLENQ.
class ContentionWriter {
public:
    ContentionWriter(const EnqplexInfo& enqplex, int index, const GeneratorOptions& o,
                     const std::vector<std::string>& jobs, SplitMix64& rng, RowSink& sink)
        : x_(enqplex), index_(index), systemsPerSysplex_(o.systems), tasksAverage_(o.tasks),
          jobs_(jobs), rng_(rng), sink_(sink), lastRib_(enqplex.systems.size(), 0),
          systemHasWaiter_(enqplex.systems.size()), sysplexHasWaiter_(enqplex.sysplexes.size()) {}

    void contended(int serial) {
        names::resourceName(index_, serial, name_);
        tasks_.clear();
        const int count = 2 + rng_.below(2 * (tasksAverage_ - 2) + 1);
        const bool shared = rng_.chance(1, 4);
        const int owners = shared ? 1 + rng_.below(std::min(count - 1, 3)) : 1;
        const int ownerSystem = rng_.below(systemCount());
        const int ownerSysplexFirst = x_.systems[static_cast<size_t>(ownerSystem)].sysplex *
                                      systemsPerSysplex_;
        for (int i = 0; i < count; ++i) {
            int sys = ownerSystem;
            if (i > 0) {
                sys = rng_.chance(1, 2) ? ownerSysplexFirst + rng_.below(systemsPerSysplex_)
                                        : rng_.below(systemCount());
            }
            Task t{sys, pickJob(sys), i < owners, 0, 0, 0};
            if (t.owner) {
                t.type = shared ? 1 : 0;
                t.swapped = rng_.chance(1, 16) ? 1 : 0;
            } else {
                t.type = shared ? 0 : rng_.below(2);
                t.wait = waitTime();
            }
            tasks_.push_back(t);
        }
        if (x_.isMim) addMimHolders(owners, shared ? 1 : 0);
        sendTruth();
        sendSysplexViews();
        sink_.contended(static_cast<int>(tasks_.size()));
    }

    void uncontended(int serial) {
        names::resourceName(index_, serial, name_);
        tasks_.clear();
        const int sys = rng_.below(systemCount());
        tasks_.push_back({sys, pickJob(sys), true, rng_.below(2), 0, 0});
        sendTruth();
    }

private:
    int systemCount() const { return static_cast<int>(x_.systems.size()); }

    // A job of the System that has no task on this resource yet.
    int pickJob(int sys) {
        int job = rng_.below(names::jobPoolSize);
        auto taken = [&](int j) {
            return std::any_of(tasks_.begin(), tasks_.end(),
                               [&](const Task& t) { return t.system == sys && t.job == j; });
        };
        while (taken(job)) job = (job + 1) % names::jobPoolSize;
        return job;
    }

    // Half the waiters wait under a minute, the others up to an hour.
    int32_t waitTime() {
        return rng_.chance(1, 2) ? 1 + rng_.below(59) : 60 + rng_.below(3540);
    }

    // MIM holds the resource on each waiter's System that has no true owner
    // of it, after the true owners and before the waiters.
    void addMimHolders(int owners, int type) {
        std::vector<Task> holders;
        for (const Task& w : tasks_) {
            if (w.owner) continue;
            bool covered = std::any_of(tasks_.begin(), tasks_.end(), [&](const Task& t) {
                return t.owner && t.system == w.system;
            });
            covered = covered || std::any_of(holders.begin(), holders.end(),
                                             [&](const Task& h) { return h.system == w.system; });
            if (!covered) holders.push_back({w.system, -1, true, type, 0, 0});
        }
        tasks_.insert(tasks_.begin() + owners, holders.begin(), holders.end());
    }

    std::string_view jobOf(const Task& t) const {
        return t.job < 0 ? names::mimJob : std::string_view(jobs_[static_cast<size_t>(t.job)]);
    }
    int asidOf(const Task& t) const { return t.job < 0 ? names::mimAsid : names::jobAsid(t.job); }
    int flagOf(const Task& t) const { return t.job < 0 ? 0x80 : 0; }

    // Each System that has a task of the resource: its ENQ_RESRC row, then
    // its tasks, Systems in ascending order.
    void sendTruth() {
        touched_.clear();
        for (const Task& t : tasks_) touched_.push_back(t.system);
        std::sort(touched_.begin(), touched_.end());
        touched_.erase(std::unique(touched_.begin(), touched_.end()), touched_.end());
        for (int s : touched_) {
            const SystemInfo& sys = x_.systems[static_cast<size_t>(s)];
            const int32_t rib = ++lastRib_[static_cast<size_t>(s)];
            sink_.resource({sys.thruNode, rib, name_.major, name_.minor});
            for (const Task& t : tasks_) {
                if (t.system != s) continue;
                sink_.task({sys.thruNode, rib, t.owner ? 1 : 2, jobOf(t), t.swapped, t.type,
                            asidOf(t), sys.name, t.wait, flagOf(t)});
            }
        }
    }

    bool visible(const Task& t) const {
        if (x_.isMim) return systemHasWaiter_[static_cast<size_t>(t.system)];
        return sysplexHasWaiter_[static_cast<size_t>(
            x_.systems[static_cast<size_t>(t.system)].sysplex)];
    }

    void sendSysplexViews() {
        std::fill(systemHasWaiter_.begin(), systemHasWaiter_.end(), false);
        std::fill(sysplexHasWaiter_.begin(), sysplexHasWaiter_.end(), false);
        for (const Task& t : tasks_) {
            if (t.owner) continue;
            systemHasWaiter_[static_cast<size_t>(t.system)] = true;
            sysplexHasWaiter_[static_cast<size_t>(x_.systems[static_cast<size_t>(t.system)].sysplex)] = true;
        }
        for (size_t p = 0; p < x_.sysplexes.size(); ++p) {
            int32_t owning = 0, waiting = 0, maxWait = 0;
            auto seen = [&](const Task& t) {
                return x_.systems[static_cast<size_t>(t.system)].sysplex == static_cast<int>(p) &&
                       visible(t);
            };
            for (const Task& t : tasks_) {
                if (!seen(t)) continue;
                if (t.owner) ++owning;
                else ++waiting;
                maxWait = std::max(maxWait, t.wait);
            }
            if (waiting == 0) continue;
            const SysplexInfo& plex = x_.sysplexes[p];
            for (const Task& t : tasks_) {
                if (!seen(t)) continue;
                const SystemInfo& sys = x_.systems[static_cast<size_t>(t.system)];
                const std::string_view job = jobOf(t);
                sink_.globalEnq({plex.thruNode, name_.major, name_.minor, owning, waiting, maxWait,
                                 t.owner ? job : std::string_view(),
                                 t.owner ? std::string_view() : job, sys.name, t.swapped, t.type,
                                 asidOf(t), t.wait, plex.hubNode, flagOf(t)});
            }
        }
    }

    const EnqplexInfo& x_;
    int index_, systemsPerSysplex_, tasksAverage_;
    const std::vector<std::string>& jobs_;
    SplitMix64& rng_;
    RowSink& sink_;
    std::vector<int32_t> lastRib_;
    std::vector<bool> systemHasWaiter_, sysplexHasWaiter_;
    std::vector<Task> tasks_;
    std::vector<int> touched_;
    names::ResourceName name_;
};

} // namespace

void validateOptions(const GeneratorOptions& o) {
    require(o.enqplexes >= 1 && o.enqplexes <= maxEnqplexes,
            bounds("enqplexes", 1, maxEnqplexes, o.enqplexes));
    require(o.sysplexes >= 1 && o.sysplexes <= maxSysplexesPerEnqplex,
            bounds("sysplexes", 1, maxSysplexesPerEnqplex, o.sysplexes));
    require(o.systems >= 1 && o.systems <= maxSystemsPerEnqplex / o.sysplexes,
            bounds("systems", 1, maxSystemsPerEnqplex / o.sysplexes, o.systems) +
                " (an Enqplex holds at most " + std::to_string(maxSystemsPerEnqplex) +
                " Systems)");
    require(o.resources >= 0 && o.resources <= maxResourcesPerEnqplex,
            bounds("resources", 0, maxResourcesPerEnqplex, o.resources));
    require(o.tasks >= minTasksPerResource && o.tasks <= maxTasksPerResource,
            bounds("tasks", minTasksPerResource, maxTasksPerResource, o.tasks));
    require(static_cast<long>(o.resources) * o.tasks <= maxTaskBudgetPerEnqplex,
            "resources times tasks must be at most " + std::to_string(maxTaskBudgetPerEnqplex) +
                ", not " + std::to_string(static_cast<long>(o.resources) * o.tasks));
}

void buildEnterprise(const GeneratorOptions& o, RowSink& sink) {
    validateOptions(o);
    const std::vector<EnqplexInfo> enqplexes = layOut(o);
    sendConfiguration(enqplexes, sink);

    std::vector<std::string> jobs;
    jobs.reserve(names::jobPoolSize);
    for (int j = 0; j < names::jobPoolSize; ++j) jobs.push_back(names::jobName(j));

    SplitMix64 rng(o.seed);
    for (int e = 0; e < o.enqplexes; ++e) {
        ContentionWriter writer(enqplexes[static_cast<size_t>(e)], e, o, jobs, rng, sink);
        for (int r = 0; r < o.resources; ++r) writer.contended(r);
        for (int u = 0; u < o.resources / uncontendedEvery; ++u) writer.uncontended(o.resources + u);
    }
}

} // namespace scenarios
