// The pieces of a synthetic enterprise that both the generator and the
// timeline lay down: the Enqplexes, Sysplexes and Systems, their
// configuration rows, and the rows of one resource's tasks, written as the
// truth of each System's agent and as what each Sysplex sees of it.
#pragma once

#include <string>
#include <vector>

#include "enterprise_rows.h"
#include "names.h"
#include "scenarios/generator.h"

namespace scenarios {

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

std::vector<EnqplexInfo> layOut(const GeneratorOptions& options);

// INODESTS: the hub, then each PlexHub followed by its Systems' agents.
// MXCFSYS: each Sysplex's members in order.
void sendConfiguration(const std::vector<EnqplexInfo>& enqplexes, RowSink& sink);

struct Task {
    int system;
    int job; // index into the job pool; -1 for MIM
    bool owner;
    int type, swapped;
    int32_t wait;
};

// Writes resources of one Enqplex, numbering each System's resources from 1.
class ResourceWriter {
public:
    ResourceWriter(const EnqplexInfo& enqplex, const std::vector<std::string>& jobs, RowSink& sink);

    // A contended resource: `tasks` holds its `owners` owners first, then
    // its waiters. In a MIM-managed Enqplex, MIM's holders are added after
    // the owners, of the owners' `type`.
    void contended(const names::ResourceName& name, std::vector<Task> tasks, int owners, int type);
    // A resource that only its agents know.
    void uncontended(const names::ResourceName& name, const std::vector<Task>& tasks);

private:
    void addMimHolders(int owners, int type);
    std::string_view jobOf(const Task& t) const;
    int asidOf(const Task& t) const;
    int flagOf(const Task& t) const;
    void sendTruth(const names::ResourceName& name);
    bool visible(const Task& t) const;
    void sendSysplexViews(const names::ResourceName& name);

    const EnqplexInfo& x_;
    const std::vector<std::string>& jobs_;
    RowSink& sink_;
    std::vector<int32_t> lastRib_;
    std::vector<bool> systemHasWaiter_, sysplexHasWaiter_;
    std::vector<Task> tasks_;
    std::vector<int> touched_;
};

// The job pool's names, by index.
std::vector<std::string> jobNames();

} // namespace scenarios
