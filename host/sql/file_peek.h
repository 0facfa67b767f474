// A few bytes of a file that a connection of this process may hold locked.
//
// POSIX drops every lock a process holds on a file as soon as it closes any
// descriptor of that file, so a plain open, read and close would silently
// release the read lock of a connection reading a snapshot. SQLite's own
// file layer knows the locks its connections hold and keeps such a
// descriptor open until they are released; the bytes are read through it.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <span>
#include <string>

namespace host::sql {

enum class Peek {
    Missing,    // nothing at the path
    Other,      // not a regular file: not opened at all (a FIFO would block)
    Unreadable, // the bytes could not be read, or the file kept changing
    Read,
};

// Stats `path` (filling `status` unless Missing) and reads `into.size()`
// bytes at `offset`; bytes past the end read as zeros. The file is stated
// before and after the read: only when both agree is the result Read, so the
// bytes belong to the file `status` describes.
Peek peekFile(const std::string& path, int64_t offset, std::span<unsigned char> into, struct stat& status);

} // namespace host::sql
