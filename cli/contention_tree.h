// Who blocks whom: each contended resource of each Enqplex with its owners
// and waiters, built from a report query and one detail query per resource.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "cli/view_runner.h"

namespace cli {

struct TreeTask {
    std::string job;
    std::string sysname;
    std::string plxname;
    unsigned asid = 0;
    bool exclusive = true;
    bool trueOwner = false;
    int32_t waittime = 0;
};

struct TreeResource {
    std::string major; // without trailing blanks
    std::string minor;
    int32_t owntaskct = 0;
    int32_t waittaskct = 0;
    int32_t maxwaittm = 0;
    std::vector<TreeTask> owners;
    std::vector<TreeTask> waiters; // longest wait first
    int32_t detailStatus = zrx::entry::noMoreRows; // of the resource's detail query; 0 when none could be asked
    std::string unavailable;       // why its tasks could not be read; empty when they were
};

struct TreeEnqplex {
    std::string name;
    std::vector<TreeResource> resources; // longest wait first
};

struct ContentionTree {
    ViewResult report; // status, trace lines and storage figures of the report query (no rows)
    std::vector<TreeEnqplex> enqplexes;
    bool complete() const;
};

// `enqplex` empty: every Enqplex; otherwise the one an ENQPLEX predicate
// with this value asks for.
ContentionTree buildTree(ViewRunner& runner, const std::string& enqplex);

// "No contention." only when the report ended normally without rows.
void writeTreeText(std::ostream& out, const ContentionTree& tree);
void writeTreeJson(std::ostream& out, const ContentionTree& tree);
void writeTreeDot(std::ostream& out, const ContentionTree& tree);

} // namespace cli
