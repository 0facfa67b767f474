#include "core/module_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace host {

ModuleFile::~ModuleFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool ModuleFile::open(const std::string& path, std::string& error) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        error = std::string("cannot read it: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    size_ = static_cast<uint64_t>(st.st_size);
    device_ = st.st_dev;
    inode_ = st.st_ino;
    char resolved[PATH_MAX];
    resolved_ = ::realpath(path.c_str(), resolved) ? resolved : path;
    return true;
}

ModuleFile::Kind ModuleFile::kind() const {
    uint8_t head[4] = {};
    if (read(0, head, 4) && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return Kind::Elf;
    if (read(0, head, 2) && head[0] == 'M' && head[1] == 'Z') return Kind::Pe;
    return Kind::Other;
}

bool ModuleFile::read(uint64_t offset, void* out, size_t length) const {
    if (offset > size_ || length > size_ - offset) return false;
    auto* to = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd_, to + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ModuleFile::readAll(uint64_t limit, std::vector<uint8_t>& bytes, std::string& error) const {
    if (size_ > limit) {
        error = "a file of " + std::to_string(size_) + " bytes is larger than the loader reads (" +
                std::to_string(limit >> 20) + " MiB)";
        return false;
    }
    bytes.assign(static_cast<size_t>(size_), 0);
    if (!read(0, bytes.data(), bytes.size())) {
        error = "it shrank while being read";
        return false;
    }
    return true;
}

bool ModuleFile::sameFileAt(const std::string& path) const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_dev) == device_ &&
           static_cast<uint64_t>(st.st_ino) == inode_;
}

} // namespace host
