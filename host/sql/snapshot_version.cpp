#include "sql/snapshot_version.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <ctime>

namespace host::sql {

FileStamp FileStamp::of(const std::string& path, Header header) {
    FileStamp s;
    // Stat and header from one descriptor, so both describe the same file
    // even when another is renamed into its place meanwhile.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return s;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        s.exists = true;
        s.device = static_cast<uint64_t>(st.st_dev);
        s.inode = static_cast<uint64_t>(st.st_ino);
        s.size = static_cast<int64_t>(st.st_size);
        s.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        const off_t at = header == Header::Database ? 24 : 12;
        if (::pread(fd, s.header.data(), s.header.size(), at) != static_cast<ssize_t>(s.header.size()))
            s.header.fill(0);
    }
    ::close(fd);
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
