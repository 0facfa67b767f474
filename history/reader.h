// Reading a history: its samples, what each one held, and its episodes.
// Commands, the server and alerts read through this, never through SQL of
// their own. A reader sees the history as it was at its first read (one
// read transaction) until refresh().
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/sample.h"
#include "history/writer.h"

namespace history {

// A sample without its rows.
struct SampleInfo {
    int64_t id = 0;
    int64_t takenMs = 0;
    bool captured = false;
    std::string snapshot, snapshotIdentity;
    std::optional<int32_t> status; // none: the view did not run
    zrx::Abandon abandon = zrx::Abandon::None;
    std::string reason;
    double viewMs = 0;
    int64_t reportRows = 0, detailRows = 0;
    int64_t waiters = 0;     // WAITTASKCT summed over the report
    int64_t longestWait = 0; // the largest MAXWAITTM
    std::optional<int64_t> intervalMs; // to the next sample; none for the last

    bool reportComplete() const { return status == zrx::entry::noMoreRows; }
};

struct Episode {
    int64_t id = 0;
    std::string enqplex, major, minor;
    int64_t firstSeenMs = 0, lastSeenMs = 0;
    int64_t samples = 0, maxWaiters = 0, maxWait = 0;
    int64_t blockedMs = 0;
    bool open = false;
    std::vector<std::string> holders; // in order of first appearance
};

struct HolderTotal {
    std::string holder; // OWNINGAS@SYSNAME
    int64_t blockedMs = 0;
    int64_t episodes = 0;
};

// Episodes that overlap [since, until] (LAST_SEEN >= since and FIRST_SEEN
// <= until); `openOnly`: only those still going at the last sample.
struct Window {
    std::optional<int64_t> sinceMs, untilMs;
    bool openOnly = false;
};

class Reader {
public:
    // Opens a history read-only. Refuses, untouched, a file that is not a
    // history of this version (problem Refused), as Writer::open does.
    static std::unique_ptr<Reader> open(const std::string& path, std::string& error, OpenProblem& problem);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Ends the read transaction: the next read sees the samples written since.
    void refresh();

    bool first(std::optional<SampleInfo>& out, std::string& error);
    bool last(std::optional<SampleInfo>& out, std::string& error);
    // The sample taken at or before `ms`.
    bool at(int64_t ms, std::optional<SampleInfo>& out, std::string& error);
    // The samples taken in [sinceMs, untilMs], in time order.
    bool samples(std::optional<int64_t> sinceMs, std::optional<int64_t> untilMs, std::vector<SampleInfo>& out,
                 std::string& error);
    // Each sample taken in [sinceMs, untilMs], in time order, handed over one
    // at a time: a window of any length costs the memory of one sample.
    bool eachSample(std::optional<int64_t> sinceMs, std::optional<int64_t> untilMs,
                    const std::function<void(const SampleInfo&)>& take, std::string& error);
    // The last `count` samples, oldest first.
    bool lastSamples(int64_t count, std::vector<SampleInfo>& out, std::string& error);
    bool sampleCount(int64_t& count, std::string& error);

    // What the sample held: its report and each resource's own rows, as
    // they were written.
    bool content(const SampleInfo& info, Sample& out, std::string& error);

    // By BLOCKED_MS, largest first (then FIRST_SEEN, then name).
    bool episodes(const Window& window, std::vector<Episode>& out, std::string& error);
    // Each holder's BLOCKED_MS summed over the episodes of the window, largest first.
    bool holderTotals(const Window& window, std::vector<HolderTotal>& out, std::string& error);

private:
    Reader(sqlite3* db, std::string path);
    bool begin(std::string& error);
    // What the sample passed over; nothing for a history that does not keep it.
    bool passedOver(int64_t sampleId, Sample& out, std::string& error);
    bool readSamples(const std::string& where, const std::vector<int64_t>& values, std::vector<SampleInfo>& out,
                     std::string& error, const std::string& order = "ORDER BY TAKEN_MS");
    bool visitSamples(const std::string& where, const std::vector<int64_t>& values, const std::string& order,
                      const std::function<void(const SampleInfo&)>& take, std::string& error);

    sqlite3* db_;
    std::string path_;
    bool reading_ = false;
};

// Time on the command line: an ISO-8601 UTC time, or a duration back from
// `lastMs` (the last sample): "10m", "2h", "7d", "30s".
bool parseDuration(const std::string& text, int64_t& ms);
bool resolveTime(const std::string& text, std::optional<int64_t> lastMs, int64_t& out, std::string& error);

// Seconds for people: whole when they are, else with up to three decimals.
std::string secondsText(int64_t ms);

} // namespace history
