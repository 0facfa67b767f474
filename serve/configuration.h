// The Enqplexes and Systems a snapshot configures, read from each PlexHub's
// list of its Sysplex's members (MXCFSYS), so that the server can show and
// export a System or an Enqplex without contention as such, not leave it out.
#pragma once

#include <string>
#include <vector>

#include "sql/snapshot.h"

namespace serve {

struct ConfiguredSystem {
    std::string name;   // SYS_NAME, without trailing blanks
    std::string sysplex; // the PlexHub that lists it, its node name before ':'
    std::string status;  // MXCFSYS STATUS, e.g. ACTIVE
};

struct ConfiguredEnqplex {
    std::string name;
    std::vector<ConfiguredSystem> systems; // in the order the snapshot lists them, each once
};

struct Configuration {
    std::vector<ConfiguredEnqplex> enqplexes; // in order of first mention
};

// False with SQLite's message when the table cannot be read. A System whose
// ENQPLEX names no valid Enqplex (longer than 8) is left out, as the view
// leaves it out.
bool readConfiguration(host::sql::Snapshot& snapshot, Configuration& out, std::string& error);

} // namespace serve
