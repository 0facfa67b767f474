// An enterprise snapshot: a SQLite database made with the snapshot schema.
// A snapshot serves one thread at a time: it keeps the statements prepared on
// it and the nodes it found, and its connection takes no lock of its own.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "sql/snapshot_version.h"

struct sqlite3;

namespace host::sql {

class FileReading;
class StatementCache;
class StatementShapes;

class Snapshot {
public:
    // How long a reader waits for another process's write lock to go.
    static constexpr int defaultBusyTimeoutMs = 3000;

    enum class OpenFailure { None, Refused, Locked };

    // Opens an existing snapshot read-only, creating no file beside it (see
    // file_reading.h). Refuses, with a message that names the file, a file
    // that cannot be opened or lacks a table or column of the schema, or
    // declares a column with another type: `failure` says Refused; or, when
    // another process kept it locked for `busyTimeoutMs`, Locked. The read
    // lock (or WAL read transaction) is held from the first read until the
    // snapshot is closed, so every statement sees the same data.
    static std::unique_ptr<Snapshot> openFile(const std::string& path, std::string& error,
                                              OpenFailure* failure = nullptr,
                                              int busyTimeoutMs = defaultBusyTimeoutMs);

    // A snapshot file's bytes, copied and read from memory (read-only),
    // checked as openFile checks a file.
    static std::unique_ptr<Snapshot> openImage(const unsigned char* bytes, std::size_t size, std::string& error);

    // An empty snapshot in memory, the schema applied.
    static std::unique_ptr<Snapshot> createInMemory(std::string& error);

    // Another connection to the very data `first` reads, for another thread:
    // a file is opened again and must show the same version (the same file,
    // not replaced or written since `first` opened it); a snapshot in memory
    // is copied. Null, with a message, when that cannot be had.
    static std::unique_ptr<Snapshot> openSameVersion(Snapshot& first, std::string& error);

    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    // Runs a script of SQLite statements, e.g. the INSERTs of a scenario.
    bool exec(std::string_view script, std::string& error);

    // A node is known when INODESTS names it (NODE or THRUNODE) or a row of
    // a routed table carries it in AT_NODE. Trailing blanks do not count.
    bool knowsNode(std::string_view node) const;

    // As knowsNode, telling a failed look-up apart from an unknown node.
    bool lookUpNode(std::string_view node, bool& known, std::string& error) const;

    sqlite3* db();

    // The version this connection reads: fixed when a file or an image was
    // opened; for a snapshot made in memory, it moves with every change.
    const SnapshotVersion& version() const;

    // True, with a message, when some read since the snapshot was opened
    // gave up waiting for another process's lock, or when a file read
    // without locks was changed meanwhile: what was read cannot be trusted.
    bool readingSpoiled(std::string& error) const;

    static constexpr const char* lockedMessage = "snapshot is locked by another process";

    // The statements prepared on this snapshot, kept for reuse.
    StatementCache& statements() { return *statements_; }
    // The shapes of the statements read on this snapshot.
    StatementShapes& shapes() { return *shapes_; }

private:
    enum class Kind { File, Memory, Image };
    Snapshot(sqlite3* db, Kind kind);
    static int waitForLock(void* snapshot, int attempts);
    static std::unique_ptr<Snapshot> adoptImage(unsigned char* bytes, std::size_t size, std::string& error);

    sqlite3* db_;
    Kind kind_;
    std::string path_;
    mutable SnapshotVersion version_; // of a file or image; in memory, brought up to date when asked
    uint64_t execs_ = 0;      // scripts run by exec(), each a change in memory
    std::unique_ptr<FileReading> reading_; // null for a snapshot in memory
    std::chrono::milliseconds busyTimeout_{0};
    std::chrono::steady_clock::time_point waitingSince_{};
    mutable bool lockedOut_ = false;
    std::unique_ptr<StatementCache> statements_;
    std::unique_ptr<StatementShapes> shapes_;
    mutable std::unordered_set<std::string> knownNodes_; // found at data version knownVersion_
    mutable unsigned knownVersion_ = 0;
};

} // namespace host::sql
