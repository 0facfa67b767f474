#include "sql/file_peek.h"

#include <sqlite3.h>

#include <cstring>
#include <memory>

namespace host::sql {

namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Through the "unix" VFS opened as a main database: only that kind of file
// is tracked with the process's locks, so only its close is deferred while
// another connection holds a lock on the same file.
bool readThroughSqlite(const std::string& path, int64_t offset, std::span<unsigned char> into) {
    sqlite3_vfs* vfs = sqlite3_vfs_find("unix");
    if (!vfs) return false;
    const auto freeName = [](const char* n) { sqlite3_free_filename(n); };
    std::unique_ptr<const char, decltype(freeName)> name(sqlite3_create_filename(path.c_str(), "", "", 0, nullptr),
                                                         freeName);
    std::unique_ptr<void, decltype(&sqlite3_free)> storage(sqlite3_malloc(vfs->szOsFile), &sqlite3_free);
    if (!name || !storage) return false;
    std::memset(storage.get(), 0, static_cast<size_t>(vfs->szOsFile));
    auto* file = static_cast<sqlite3_file*>(storage.get());
    int opened = 0;
    const int rc = vfs->xOpen(vfs, name.get(), file, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB, &opened);
    bool read = false;
    if (rc == SQLITE_OK) {
        const int r = file->pMethods->xRead(file, into.data(), static_cast<int>(into.size()), offset);
        read = r == SQLITE_OK || r == SQLITE_IOERR_SHORT_READ;
    }
    if (file->pMethods) file->pMethods->xClose(file);
    return read;
}

} // namespace

Peek peekFile(const std::string& path, int64_t offset, std::span<unsigned char> into, struct stat& status) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::memset(into.data(), 0, into.size());
        if (::stat(path.c_str(), &status) != 0) return Peek::Missing;
        if (!S_ISREG(status.st_mode)) return Peek::Other;
        const bool read = readThroughSqlite(path, offset, into);
        struct stat after {};
        if (::stat(path.c_str(), &after) != 0) return Peek::Missing;
        if (sameFile(status, after)) {
            if (!read) std::memset(into.data(), 0, into.size());
            return read ? Peek::Read : Peek::Unreadable;
        }
    }
    std::memset(into.data(), 0, into.size());
    return Peek::Unreadable;
}

} // namespace host::sql
