#include "cli/file_identity.h"

namespace cli {

void ReadFiles::add(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) files_.push_back({path, FileIdentity{st.st_dev, st.st_ino}});
}

const std::string* ReadFiles::find(const struct stat& st) const {
    for (const auto& [path, identity] : files_)
        if (identity.same(st)) return &path;
    return nullptr;
}

const char* fileKind(mode_t mode) {
    if (S_ISREG(mode)) return "a regular file";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

} // namespace cli
