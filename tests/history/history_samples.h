// Samples made by hand for the history's tests: resources with their
// waiters, longest wait and holders, and the reference that works the
// episodes out again from the samples a history holds.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "history/sample.h"

namespace historytest {

struct Contended {
    std::string enqplex, major, minor;
    int32_t waiters = 1;
    int32_t maxWait = 10;
    std::vector<std::string> holders; // "JOB@SYS"
};

zrx::MentrenqRow reportRow(const Contended& c);
// The owner rows of the holders, then one waiter row per waiter.
std::vector<zrx::MentrenqRow> detailRows(const Contended& c);

// A sample at `seconds` after 2026-12-10T08:00:00Z whose report ended
// normally with these resources.
history::Sample goodSample(int64_t seconds, const std::vector<Contended>& resources);
// A sample whose report failed with status 71 (no rows).
history::Sample failedSample(int64_t seconds);

inline constexpr int64_t baseMs = 1796889600000LL; // 2026-12-10T08:00:00Z

struct ReferenceEpisode {
    std::string enqplex, major, minor;
    int64_t firstSeen = 0, lastSeen = 0, samples = 0, maxWaiters = 0, maxWait = 0, blocked = 0;
    bool open = false;
    std::vector<std::pair<std::string, int64_t>> holders; // name, BLOCKED_MS
    bool operator==(const ReferenceEpisode&) const = default;
};

// The episodes worked out from SAMPLES and ROWS alone, in ID order of their
// first sample, then report order.
std::vector<ReferenceEpisode> referenceEpisodes(sqlite3* db);
// The episodes as the history keeps them, in the same order.
std::vector<ReferenceEpisode> storedEpisodes(sqlite3* db);

// PRAGMA integrity_check says "ok", and every sample has exactly the rows it
// counts, contiguous from FIRST_ROW, and no row belongs to no sample.
std::string wholeness(sqlite3* db);

std::string printable(const std::vector<ReferenceEpisode>& episodes);

} // namespace historytest
