#include "sql/snapshot_version.h"

#include <sys/stat.h>

#include <atomic>
#include <ctime>

#include "sql/file_peek.h"

namespace host::sql {

FileStamp FileStamp::of(const std::string& path, Header header) {
    FileStamp s;
    struct stat st {};
    const Peek peek = peekFile(path, header == Header::Database ? 24 : 12, s.header, st);
    if (peek == Peek::Missing) return s;
    s.exists = true;
    s.device = static_cast<uint64_t>(st.st_dev);
    s.inode = static_cast<uint64_t>(st.st_ino);
    s.size = static_cast<int64_t>(st.st_size);
    s.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

std::string SnapshotVersion::describe() const {
    if (file.empty()) return "in memory";
    std::string text = file + " (inode " + std::to_string(database.inode) + ", " + std::to_string(database.size) +
                       " bytes";
    const std::time_t seconds = static_cast<std::time_t>(database.modifiedNs / 1000000000);
    std::tm utc{};
    char when[32];
    if (gmtime_r(&seconds, &utc) && std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc))
        text += std::string(", modified ") + when;
    if (wal.exists) text += ", with a WAL of " + std::to_string(wal.size) + " bytes";
    return text + ")";
}

uint64_t SnapshotVersion::newSerial() {
    static std::atomic<uint64_t> serial{0};
    return ++serial;
}

} // namespace host::sql
