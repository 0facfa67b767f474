// The one writer of a history: appends samples, each in one transaction
// with the episodes it changes and the retention it brings, so that a
// history interrupted at any moment holds only whole samples.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "history/sample.h"

namespace history {

enum class OpenProblem {
    None,
    Refused, // not a history of this version (or not a regular file): never touched
    Busy,    // another process records into it
    Failed,  // it could not be opened or read
};

enum class AppendOutcome {
    Recorded,
    NotLater, // the sample is not later than the history's last: nothing was written
};

struct AppendResult {
    AppendOutcome outcome = AppendOutcome::Recorded;
    int64_t sampleId = 0;
    int64_t lastTakenMs = 0; // the history's last sample time, for NotLater
    int64_t samplesDeleted = 0; // by retention
};

// Points of a sample's transaction at which a test can make it fail.
enum class WritePoint { AfterBegin, AfterSample, AfterPrevious, AfterRows, AfterEpisodes, AfterRetention, BeforeCommit };
inline constexpr int writePointCount = 7;

class Writer {
public:
    // Lays out a new history in `emptyFile`, an empty regular file that the
    // caller will then give its name (WAL mode, the schema, its version).
    static bool initialise(const std::string& emptyFile, std::string& error);

    // Opens an existing history for writing. Refuses, untouched, a file
    // that is not one (lookAtFile). Only one writer at a time: another
    // gets Busy.
    static std::unique_ptr<Writer> open(const std::string& path, std::string& error, OpenProblem& problem);

    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Writes the sample, completes the previous sample's BLOCKED_MS, updates
    // the episodes, and with `keepMs` deletes the samples older than the
    // sample's time minus keepMs (and what only they made). A sample not
    // later than the last is not written (NotLater). False, with nothing
    // written, on any failure.
    bool append(const Sample& sample, std::optional<int64_t> keepMs, AppendResult& result, std::string& error);

    // The time of the last sample, if there is one.
    bool lastTakenMs(std::optional<int64_t>& taken, std::string& error);

    // For tests: called at each point of a sample's transaction; returning
    // false makes the append fail there.
    void setFaultHook(std::function<bool(WritePoint)> hook) { faultHook_ = std::move(hook); }

private:
    Writer(sqlite3* db, int lockFd, std::string path);
    bool transaction(const Sample& sample, std::optional<int64_t> keepMs, AppendResult& result, std::string& error);
    bool writeRows(int64_t sampleId, int64_t firstRow, const Sample& sample, const std::vector<int64_t>& episodes,
                   std::string& error);
    bool applyRetention(int64_t takenMs, int64_t keepMs, AppendResult& result, std::string& error);
    bool recomputeEpisode(int64_t episode, std::string& error);
    bool reach(WritePoint point, std::string& error);

    sqlite3* db_;
    int lockFd_;
    std::string path_;
    std::function<bool(WritePoint)> faultHook_;
};

} // namespace history
