#include "sql/file_reading.h"

#include <sys/stat.h>
#include <unistd.h>

#include "sql/file_peek.h"

namespace host::sql {

namespace {

// Bytes 18 and 19 of a database header are 2 when the file is in WAL mode.
bool inWalMode(const std::string& path) {
    unsigned char header[20] = {};
    struct stat st {};
    if (peekFile(path, 0, header, st) != Peek::Read) return false;
    static const char magic[] = "SQLite format 3";
    for (size_t i = 0; i < sizeof magic; ++i)
        if (header[i] != static_cast<unsigned char>(magic[i])) return false;
    return header[18] == 2 && header[19] == 2;
}

// A file name as a URI path: every byte but letters, digits and "/._-~"
// percent-encoded, so that no name can carry URI parameters.
std::string uriOf(const std::string& path, const char* parameters) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = path.starts_with('/') ? "file://" : "file:";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '/' || c == '.' || c == '_' || c == '-' || c == '~';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + parameters;
}

} // namespace

bool FileReading::Stamp::operator==(const Stamp& o) const {
    return exists == o.exists && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec;
}

FileReading::Stamp FileReading::stampOf(const std::string& path) {
    Stamp s;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modified = st.st_mtim;
    return s;
}

FileReading::FileReading(const std::string& path) : path_(path) {
    const char* parameters = "?mode=ro";
    if (inWalMode(path)) {
        const bool wal = ::access((path + "-wal").c_str(), F_OK) == 0;
        const bool shm = ::access((path + "-shm").c_str(), F_OK) == 0;
        mode_ = !wal ? Mode::Immutable : shm ? Mode::WalShared : Mode::WalPrivate;
        if (mode_ == Mode::Immutable) parameters = "?mode=ro&immutable=1";
    }
    uri_ = uriOf(path, parameters);
    if (!lockedByReader()) {
        file_ = stampOf(path);
        if (mode_ == Mode::WalPrivate) wal_ = stampOf(path + "-wal");
    }
}

bool FileReading::unchanged(std::string& error) const {
    if (lockedByReader()) return true;
    if (stampOf(path_) == file_ && (mode_ != Mode::WalPrivate || stampOf(path_ + "-wal") == wal_)) return true;
    error = "the snapshot was changed by another process while it was read";
    return false;
}

} // namespace host::sql
