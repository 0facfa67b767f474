// What tells one version of an enterprise snapshot from another, so that
// several connections can be held to the same data and answers kept for a
// version are never given for another.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace host::sql {

// One file as found at its path: which file it is, its size and
// modification time, and the bytes of its header that every writer changes
// (a database's change counter and version-valid-for number; a WAL's
// checkpoint sequence and first salt). Times of a file move in steps of a
// clock tick; the header tells apart two writes within one. Taking a stamp
// leaves the locks of the process's connections to the file in place.
struct FileStamp {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    std::array<unsigned char, 8> header{};

    bool operator==(const FileStamp&) const = default;

    enum class Header { Database, Wal };
    static FileStamp of(const std::string& path, Header header);
};

struct SnapshotVersion {
    // A file: its path as opened, the file and (when it was read with one)
    // its WAL.
    std::string file;
    FileStamp database;
    FileStamp wal;
    // A database in memory: which one (never 0), and how many changes it had
    // seen when its version was taken.
    uint64_t memory = 0;
    uint64_t changes = 0;
    // Nonzero when the file changed while it was being opened: what the
    // connection read is then known to nobody else, and this number, unique
    // in the process, keeps the version from equalling any other.
    uint64_t unsettled = 0;

    bool operator==(const SnapshotVersion&) const = default;

    // Whether another connection can be shown to read this very version.
    bool shareable() const { return unsettled == 0; }

    // For people: "FILE (inode N, B bytes, modified at T)" or "in memory".
    std::string describe() const;

    // A number unique in this process, never 0.
    static uint64_t newSerial();
};

} // namespace host::sql
