// Which version of a snapshot file is there now, told by stat() alone: the
// file (device and inode), its size and its modification time, and the same
// of its -wal file. No descriptor of the file is opened, because closing one
// would drop the read locks that other threads' connections hold on it.
//
// A collector that renames a new file over the old one always makes a new
// inode. A writer that changes the file in place is seen by its size or its
// modification time, which moves in steps of the file system's clock tick.
#pragma once

#include <cstdint>
#include <string>

namespace serve {

struct FileStat {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;

    bool operator==(const FileStat&) const = default;
    static FileStat of(const std::string& path);
};

struct StampPair {
    FileStat database;
    FileStat wal;

    bool operator==(const StampPair&) const = default;
    static StampPair of(const std::string& path) { return {FileStat::of(path), FileStat::of(path + "-wal")}; }
};

} // namespace serve
