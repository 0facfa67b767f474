// The episodes of a history, kept up to date inside the transaction of each
// sample (writer.cpp): the previous sample's share of BLOCKED_MS completed
// once the time to this one is known, each resource of this sample added to
// its open episode or opening one, and the open episodes it lacks closed.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "history/statement.h"

namespace history {

// One resource as one sample saw it.
struct Sighting {
    std::string enqplex, major, minor; // as the history keeps them
    int64_t waiters = 0;               // WAITTASKCT
    int64_t maxWait = 0;               // MAXWAITTM
    std::vector<std::string> holders;  // OWNINGAS@SYSNAME, each once, in the order of the rows
};

class EpisodeBook {
public:
    explicit EpisodeBook(sqlite3* db);
    bool ready(std::string& error) const;

    // Adds waiters times `intervalMs` to each episode and holder last seen in
    // `previousSample`.
    bool completePrevious(int64_t previousSample, int64_t intervalMs, std::string& error);
    // The resource's open episode, extended by this sample, or a new one.
    bool sight(int64_t sample, int64_t takenMs, const Sighting& s, int64_t& episode, std::string& error);
    // Ends the open episodes that `sample` (whose report ended normally) lacks.
    bool closeUnseen(int64_t sample, std::string& error);

private:
    bool addHolders(int64_t episode, int64_t sample, const std::vector<std::string>& holders, std::string& error);
    bool failed(const Statement& s, std::string& error) const;

    sqlite3* db_;
    Statement completeEpisodes_, completeHolders_, findOpen_, extend_, open_, findHolder_, touchHolder_,
        nextPlace_, addHolder_, close_;
};

} // namespace history
