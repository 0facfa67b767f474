#include "pe/module_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pe/load_plan.h"

namespace host::pe {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Opens without blocking on a pipe, then insists on a regular file.
int openRegular(const std::string& path, struct stat& st) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

} // namespace

ModuleFileKind moduleFileKind(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return ModuleFileKind::NotFound;
    if (!S_ISREG(st.st_mode)) return ModuleFileKind::NotRegular;
    Fd fd(openRegular(path, st));
    if (fd.get() < 0) return ModuleFileKind::NotFound;
    uint8_t head[4] = {};
    ssize_t n = 0;
    do n = ::read(fd.get(), head, sizeof head);
    while (n < 0 && errno == EINTR);
    if (n == 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return ModuleFileKind::Elf;
    if (n >= 2 && looksLikePe({head, static_cast<size_t>(n)})) return ModuleFileKind::Pe;
    return ModuleFileKind::Other;
}

bool readModuleFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    struct stat st {};
    Fd fd(openRegular(path, st));
    if (fd.get() < 0) {
        error = std::string("cannot read it: ") + std::strerror(errno);
        return false;
    }
    if (st.st_size > static_cast<off_t>(maxImageSize)) {
        error = "a file of " + std::to_string(st.st_size) + " bytes is larger than the loader reads (64 MiB)";
        return false;
    }
    bytes.assign(static_cast<size_t>(st.st_size), 0);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? std::string("cannot read it: ") + std::strerror(errno) : "it shrank while being read";
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace host::pe
