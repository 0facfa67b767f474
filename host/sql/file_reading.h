// How a snapshot file is read without writing anything beside it.
//
// A file in rollback-journal mode is opened read-only with the usual locks.
// A file in WAL mode needs care: a reader normally creates the -wal and -shm
// files next to it (and leaves them behind), and cannot open it at all where
// it may not create them. So:
//  - no -wal file: every committed page is in the file itself and no process
//    has it open in WAL mode; it is read as immutable (no locks, no files);
//  - a -wal file but no -shm file: nobody is using the WAL index; the WAL is
//    read with an index in private memory and without locks;
//  - both: another process may be writing; the file is read through the WAL
//    index and the locks of that process, in one read transaction.
// The first two read without locks, so a writer that arrives meanwhile is
// not kept out: `unchanged` then tells whether the file (or its WAL) changed
// while it was read.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>

namespace host::sql {

class FileReading {
public:
    enum class Mode { Locked, WalShared, Immutable, WalPrivate };

    // Looks at the file's header and at its -wal and -shm files.
    explicit FileReading(const std::string& path);

    Mode mode() const { return mode_; }
    // What to give sqlite3_open_v2: a URI (SQLITE_OPEN_URI) and a VFS name
    // (null for the default).
    const std::string& uri() const { return uri_; }
    const char* vfs() const { return mode_ == Mode::WalPrivate ? "unix-none" : nullptr; }
    // Whether another process's locks keep the data still while it is read.
    bool lockedByReader() const { return mode_ == Mode::Locked || mode_ == Mode::WalShared; }

    // For a reading without locks: false, with a message, when the file or
    // its WAL is no longer as it was when the reading began.
    bool unchanged(std::string& error) const;

private:
    struct Stamp {
        bool exists = false;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const Stamp& o) const;
    };
    static Stamp stampOf(const std::string& path);

    std::string path_;
    Mode mode_ = Mode::Locked;
    std::string uri_;
    Stamp file_, wal_;
};

} // namespace host::sql
