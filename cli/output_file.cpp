#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/file_identity.h"
#include "cli/message_text.h"

namespace cli {

namespace {

std::string reason() { return std::strerror(errno); }

// What lstat says about `path`: absent, or its status.
bool look(const std::string& path, bool& exists, struct stat& st, std::string& error) {
    exists = ::lstat(path.c_str(), &st) == 0;
    if (exists || errno == ENOENT) return true;
    error = "cannot use " + shownName(path) + ": " + reason();
    return false;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Gives `temporary` the name `path` only while nothing stands at `path`.
bool renameIfAbsent(const std::string& temporary, const std::string& path, std::string& error) {
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without renameat2: link() refuses an existing name too.
        if (::link(temporary.c_str(), path.c_str()) == 0) {
            ::unlink(temporary.c_str());
            return true;
        }
    }
    error = errno == EEXIST ? shownName(path) + " appeared while it was being written; it is left as it is"
                            : "cannot write " + shownName(path) + ": " + reason();
    return false;
}

} // namespace

bool outputAllowed(const std::string& path, bool force, std::string& error) {
    bool exists = false;
    struct stat st {};
    if (!look(path, exists, st, error)) return false;
    if (!exists) return true;
    if (!S_ISREG(st.st_mode)) {
        error = shownName(path) + " is " + fileKind(st.st_mode) + "; --out writes only to a regular file or a new path";
        return false;
    }
    if (!force) {
        error = shownName(path) + " exists; give --force to replace it";
        return false;
    }
    return true;
}

bool writeOutputFile(const std::string& path, bool force,
                     const std::function<bool(const std::string& temporary, std::string& error)>& write,
                     std::string& error) {
    if (!outputAllowed(path, force, error)) return false;
    bool existed = false;
    struct stat before {};
    if (!look(path, existed, before, error)) return false;

    std::string pattern = folderOf(path) + "/." + nameOf(path) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = "cannot write " + shownName(path) + ": " + reason();
        return false;
    }
    const std::string temporary(name.data());
    auto abandon = [&](const std::string& why) {
        ::close(fd);
        ::unlink(temporary.c_str());
        if (error.empty()) error = why;
        return false;
    };

    std::string writeError;
    if (!write(temporary, writeError)) return abandon("cannot write " + shownName(path) + ": " + writeError);
    const mode_t mode = existed ? (before.st_mode & 07777) : newFileMode();
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return abandon("cannot write " + shownName(path) + ": " + reason());
    if (::close(fd) != 0) {
        ::unlink(temporary.c_str());
        error = "cannot write " + shownName(path) + ": " + reason();
        return false;
    }

    if (!existed) {
        if (renameIfAbsent(temporary, path, error)) return true;
        ::unlink(temporary.c_str());
        return false;
    }
    // Replacing: only the very regular file that was checked. rename()
    // replaces a name and never writes through it, so even a change in the
    // short time between this look and the rename cannot reach another file.
    bool stillThere = false;
    struct stat now {};
    if (look(path, stillThere, now, error) &&
        (!stillThere || (S_ISREG(now.st_mode) && now.st_dev == before.st_dev && now.st_ino == before.st_ino))) {
        if (::rename(temporary.c_str(), path.c_str()) == 0) return true;
        error = "cannot write " + shownName(path) + ": " + reason();
    } else if (error.empty()) {
        error = shownName(path) + " changed while it was being written; it is left as it is";
    }
    ::unlink(temporary.c_str());
    return false;
}

} // namespace cli
