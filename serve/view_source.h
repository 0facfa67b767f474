// Where the server's views come from: the snapshot file (or the built-in
// demo) and the module. Each reading and each query opens a snapshot
// connection of its own, so that concurrent views never share one and every
// view sees one whole version of the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/module.h"
#include "core/session.h"
#include "serve/reading.h"

namespace serve {

// One query's answer: the rows as the view handed them over, and how it
// ended. `status` 0: the view did not run (`statusText` says why).
struct QueryAnswer {
    StampPair stamp;
    int64_t readMs = 0;
    std::optional<int64_t> capturedMs;
    int32_t status = 0;
    zrx::Abandon abandon = zrx::Abandon::None;
    std::string statusText;
    std::vector<zrx::MentrenqRow> rows;
    double viewSeconds = 0;
    // What the view passed over of the configuration, one sentence each.
    std::vector<std::string> notSeen;
    // False when the answer must not be kept for its stamp: the file was
    // locked by another process or changed while it was read.
    bool keep = true;

    bool endedNormally() const { return status == zrx::entry::noMoreRows; }
};

class ViewSource {
public:
    // `dbFile` empty: the built-in demo enterprise. The module must outlive
    // the source.
    ViewSource(std::string dbFile, const host::Module& module, uint64_t storageLimit);

    bool isDemo() const { return dbFile_.empty(); }
    const std::string& dbFile() const { return dbFile_; }
    // The file as it is now; unset for the demo, which never changes.
    StampPair currentStamp() const;

    // The whole picture, read afresh. A snapshot that cannot be opened or
    // read gives a reading whose status is 0, with the reason; `keep` false
    // when that reason may pass without the file changing (a lock).
    std::unique_ptr<Reading> read(bool& keep) const;

    // One query with the predicates in the order given.
    QueryAnswer query(const std::vector<host::Predicate>& predicates) const;

private:
    struct Opened;
    std::unique_ptr<Opened> open(std::string& error, bool& keep) const;

    std::string dbFile_;
    const host::Module& module_;
    uint64_t storageLimit_;
};

// "2026-12-10T08:15:00Z" for milliseconds since the epoch (seconds kept,
// milliseconds dropped).
std::string isoTime(int64_t ms);

} // namespace serve
