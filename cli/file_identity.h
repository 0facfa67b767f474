// Which file a path names (device and inode, through symbolic links), so
// that a file the command writes can be kept apart from the ones it reads.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

namespace cli {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool same(const struct stat& st) const { return st.st_dev == device && st.st_ino == inode; }
};

// The files a command reads while it runs (the snapshot, the module), by
// path; a path that names no file adds nothing.
class ReadFiles {
public:
    void add(const std::string& path);
    // The path of the read file that `st` is, or null.
    const std::string* find(const struct stat& st) const;

private:
    std::vector<std::pair<std::string, FileIdentity>> files_;
};

// "a directory", "a FIFO", ... for messages.
const char* fileKind(mode_t mode);

} // namespace cli
