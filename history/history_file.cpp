#include "history/history_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace history {

namespace {

int32_t bigEndian32(const unsigned char* p) {
    return static_cast<int32_t>((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]);
}

const char* kindOf(mode_t mode) {
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

FileLook foreign(const std::string& path, const std::string& why) {
    return {FileKind::Foreign, 0, path + " is not a history of mentrenq: " + why};
}

struct OpenFiles {
    std::mutex lock;
    std::map<std::pair<dev_t, ino_t>, int> holders;
    std::vector<std::pair<std::pair<dev_t, ino_t>, int>> deferred; // descriptors to close once unused
};

OpenFiles& openFiles() {
    static OpenFiles files;
    return files;
}

bool identify(const std::string& path, std::pair<dev_t, ino_t>& id) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

bool held(const struct stat& st) {
    OpenFiles& files = openFiles();
    std::lock_guard<std::mutex> guard(files.lock);
    return files.holders.count({st.st_dev, st.st_ino}) > 0;
}

} // namespace

void holdFile(const std::string& path) {
    std::pair<dev_t, ino_t> id;
    if (!identify(path, id)) return;
    OpenFiles& files = openFiles();
    std::lock_guard<std::mutex> guard(files.lock);
    ++files.holders[id];
}

void releaseFile(const std::string& path) {
    std::pair<dev_t, ino_t> id;
    if (!identify(path, id)) return;
    OpenFiles& files = openFiles();
    std::lock_guard<std::mutex> guard(files.lock);
    auto it = files.holders.find(id);
    if (it == files.holders.end() || --it->second > 0) return;
    files.holders.erase(it);
    auto& deferred = files.deferred;
    for (auto d = deferred.begin(); d != deferred.end();) {
        if (d->first == id) {
            ::close(d->second);
            d = deferred.erase(d);
        } else {
            ++d;
        }
    }
}

void closeWhenUnused(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        OpenFiles& files = openFiles();
        std::lock_guard<std::mutex> guard(files.lock);
        if (files.holders.count({st.st_dev, st.st_ino})) {
            files.deferred.push_back({{st.st_dev, st.st_ino}, fd});
            return;
        }
    }
    ::close(fd);
}

FileLook lookAtFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return {FileKind::Missing, 0, ""};
        return {FileKind::Unreadable, 0, "cannot use " + path + ": " + std::strerror(errno)};
    }
    if (!S_ISREG(st.st_mode)) return foreign(path, std::string("it is ") + kindOf(st.st_mode));
    if (held(st)) return {FileKind::History, schemaVersion, ""};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return {FileKind::Unreadable, 0, "cannot read " + path + ": " + std::strerror(errno)};
    unsigned char header[100] = {};
    const ssize_t n = ::pread(fd, header, sizeof header, 0);
    const int readError = errno;
    ::close(fd);
    if (n < 0) return {FileKind::Unreadable, 0, "cannot read " + path + ": " + std::strerror(readError)};
    static const char magic[] = "SQLite format 3";
    if (n < static_cast<ssize_t>(sizeof header) || std::memcmp(header, magic, sizeof magic) != 0)
        return foreign(path, "it is not a SQLite database");
    if (bigEndian32(header + 68) != applicationId) return foreign(path, "it is another kind of SQLite database");
    const int32_t version = bigEndian32(header + 60);
    if (version != schemaVersion)
        return {FileKind::OtherVersion, version,
                path + " is a history of version " + std::to_string(version) + "; this mentrenq reads version " +
                    std::to_string(schemaVersion)};
    return {FileKind::History, version, ""};
}

} // namespace history
