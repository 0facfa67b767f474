// Telling a history file from any other file before SQLite opens it, so that
// a file that is not a history is never changed (SQLite would otherwise
// leave its -wal and -shm files beside it, or turn an empty file into a
// database).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace history {

// The version of the schema in history.sql, kept in PRAGMA user_version.
inline constexpr int32_t schemaVersion = 1;
// PRAGMA application_id of every history ("MMHH").
inline constexpr int32_t applicationId = 0x4D4D4848;

enum class FileKind {
    Missing,      // nothing at the path
    History,      // a history of this version
    OtherVersion, // a history of another version
    Foreign,      // anything else: another kind of file, a symbolic link, a directory, ...
    Unreadable,   // it cannot be looked at
};

struct FileLook {
    FileKind kind = FileKind::Missing;
    int32_t version = 0;   // for OtherVersion
    std::string why;       // one line for Foreign, OtherVersion and Unreadable, naming the path
};

// Looks at `path` without following a symbolic link and without opening
// anything but a regular file, which it reads the first 100 bytes of.
FileLook lookAtFile(const std::string& path);

// The text of history.sql.
std::string_view historySchemaText();
// The table of what the samples passed over, which a history of this
// version may lack: made with the others and added by the writer.
std::string_view passedOverSchemaText();

// Closing any descriptor of a file drops every POSIX lock the process holds
// on it, SQLite's included. So the histories this process has open are
// counted by file, lookAtFile does not open one of them again (it is known
// to be a history), and a descriptor of one is closed only once none is.
void holdFile(const std::string& path);
void releaseFile(const std::string& path);
void closeWhenUnused(int fd);

} // namespace history
