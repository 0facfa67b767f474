#include "contention_writer.h"

#include <algorithm>
#include <optional>

namespace scenarios {

namespace {

// Which Systems stand out, counting Systems across the whole enterprise.
constexpr int offlineAgentEvery = 7;
constexpr int cicsAgentEvery = 5;
// Enqplexes 1, 4 and 7 (0-based) are MIM-managed unless they are "*DEFAULT".
constexpr int mimEnqplexEvery = 3;

} // namespace

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

ResourceWriter::ResourceWriter(const EnqplexInfo& enqplex, const std::vector<std::string>& jobs, RowSink& sink)
    : x_(enqplex), jobs_(jobs), sink_(sink), lastRib_(enqplex.systems.size(), 0),
      systemHasWaiter_(enqplex.systems.size()), sysplexHasWaiter_(enqplex.sysplexes.size()) {}

void ResourceWriter::contended(const names::ResourceName& name, std::vector<Task> tasks, int owners, int type) {
    tasks_ = std::move(tasks);
    if (x_.isMim) addMimHolders(owners, type);
    sendTruth(name);
    sendSysplexViews(name);
    sink_.contended(static_cast<int>(tasks_.size()));
}

void ResourceWriter::uncontended(const names::ResourceName& name, const std::vector<Task>& tasks) {
    tasks_ = tasks;
    sendTruth(name);
}

void ResourceWriter::addMimHolders(int owners, int type) {
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

std::string_view ResourceWriter::jobOf(const Task& t) const {
    return t.job < 0 ? names::mimJob : std::string_view(jobs_[static_cast<size_t>(t.job)]);
}

int ResourceWriter::asidOf(const Task& t) const { return t.job < 0 ? names::mimAsid : names::jobAsid(t.job); }

int ResourceWriter::flagOf(const Task& t) const { return t.job < 0 ? 0x80 : 0; }

void ResourceWriter::sendTruth(const names::ResourceName& name) {
    touched_.clear();
    for (const Task& t : tasks_) touched_.push_back(t.system);
    std::sort(touched_.begin(), touched_.end());
    touched_.erase(std::unique(touched_.begin(), touched_.end()), touched_.end());
    for (int s : touched_) {
        const SystemInfo& sys = x_.systems[static_cast<size_t>(s)];
        const int32_t rib = ++lastRib_[static_cast<size_t>(s)];
        sink_.resource({sys.thruNode, rib, name.major, name.minor});
        for (const Task& t : tasks_) {
            if (t.system != s) continue;
            sink_.task({sys.thruNode, rib, t.owner ? 1 : 2, jobOf(t), t.swapped, t.type,
                        asidOf(t), sys.name, t.wait, flagOf(t)});
        }
    }
}

bool ResourceWriter::visible(const Task& t) const {
    if (x_.isMim) return systemHasWaiter_[static_cast<size_t>(t.system)];
    return sysplexHasWaiter_[static_cast<size_t>(
        x_.systems[static_cast<size_t>(t.system)].sysplex)];
}

void ResourceWriter::sendSysplexViews(const names::ResourceName& name) {
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
            sink_.globalEnq({plex.thruNode, name.major, name.minor, owning, waiting, maxWait,
                             t.owner ? job : std::string_view(),
                             t.owner ? std::string_view() : job, sys.name, t.swapped, t.type,
                             asidOf(t), t.wait, plex.hubNode, flagOf(t)});
        }
    }
}

std::vector<std::string> jobNames() {
    std::vector<std::string> jobs;
    jobs.reserve(names::jobPoolSize);
    for (int j = 0; j < names::jobPoolSize; ++j) jobs.push_back(names::jobName(j));
    return jobs;
}

} // namespace scenarios
