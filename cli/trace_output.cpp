#include "cli/trace_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/message_text.h"

namespace cli {

namespace {

// The kinds of file a trace may go to whatever path leads there.
bool streamKind(mode_t mode) { return S_ISFIFO(mode) || S_ISCHR(mode); }

// The descriptor of standard output or error when `st` is the file it
// writes, else -1.
int standardStream(const struct stat& st) {
    for (int fd : {STDERR_FILENO, STDOUT_FILENO}) {
        struct stat stream {};
        if (::fstat(fd, &stream) == 0 && stream.st_dev == st.st_dev && stream.st_ino == st.st_ino) return fd;
    }
    return -1;
}

// Why the file `st`, reached through `path` (a symbolic link when `linked`),
// may not take the trace; empty when it may.
std::string refusal(const struct stat& st, bool linked, bool force, const ReadFiles& reads) {
    if (const std::string* read = reads.find(st)) return "is " + shownName(*read) + ", which the command reads";
    if (streamKind(st.st_mode) || standardStream(st) >= 0) return "";
    if (linked)
        return std::string("is a symbolic link to ") + fileKind(st.st_mode) +
               "; the trace file is never written through a link";
    if (!S_ISREG(st.st_mode))
        return std::string("is ") + fileKind(st.st_mode) +
               "; the trace goes to a new path, a regular file, a FIFO or a character device";
    if (!force) return "exists; give --force to replace it";
    return "";
}

} // namespace

bool traceFileAllowed(const std::string& path, const ReadFiles& reads, bool force, std::string& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return true; // a new file
        error = "cannot use the trace file " + shownName(path) + ": " + std::strerror(errno);
        return false;
    }
    const bool linked = S_ISLNK(st.st_mode);
    if (linked && ::stat(path.c_str(), &st) != 0) {
        error = "the trace file " + shownName(path) + " is a symbolic link to " +
                (errno == ENOENT ? "a missing file" : std::string(std::strerror(errno))) +
                "; the trace file is never written through a link";
        return false;
    }
    const std::string why = refusal(st, linked, force, reads);
    if (why.empty()) return true;
    error = "the trace file " + shownName(path) + " " + why;
    return false;
}

TraceOutput::TraceOutput() : file_(stderr), opened_(true) { platform::setTraceSink(this); }

TraceOutput::TraceOutput(std::string path, ReadFiles reads, bool force)
    : path_(std::move(path)), reads_(std::move(reads)), force_(force) {
    platform::setTraceSink(this);
}

TraceOutput::~TraceOutput() {
    platform::setTraceSink(nullptr);
    if (file_ && file_ != stderr) std::fclose(file_);
}

void TraceOutput::fail(const std::string& why) {
    if (error_.empty()) error_ = "cannot write the trace file " + shownName(path_) + ": " + why;
}

// The checks of traceFileAllowed again, on the file actually opened: a new
// file is created only where nothing stands, an existing one is opened
// without following a link (but for a link, which then must lead to a FIFO,
// a device or a standard stream) and without truncating, so that nothing in
// a file changes before it has passed.
bool TraceOutput::open() {
    opened_ = true;
    struct stat before {};
    int fd = -1;
    bool linked = false;
    const bool created = ::lstat(path_.c_str(), &before) != 0;
    if (created) {
        if (errno != ENOENT) {
            fail(std::strerror(errno));
            return false;
        }
        fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) {
            fail("it appeared while the command ran; it is left as it is");
            return false;
        }
    } else {
        linked = S_ISLNK(before.st_mode);
        fd = ::open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (linked ? 0 : O_NOFOLLOW));
    }
    if (fd < 0) {
        fail(std::strerror(errno));
        return false;
    }
    struct stat st {};
    std::string refused;
    if (::fstat(fd, &st) != 0) {
        refused = std::strerror(errno);
    } else if (!created) {
        // The file opened must be the one looked at, and pass as it did.
        if (!linked && (st.st_dev != before.st_dev || st.st_ino != before.st_ino))
            refused = "it changed while the command ran; it is left as it is";
        else if (std::string why = refusal(st, linked, force_, reads_); !why.empty())
            refused = "it " + why;
    }
    const int stream = refused.empty() ? standardStream(st) : -1;
    if (refused.empty()) {
        if (stream >= 0) {
            // Joins the stream at its own position instead of rewriting it.
            ::close(fd);
            fd = ::fcntl(stream, F_DUPFD_CLOEXEC, 0);
            if (fd < 0) refused = std::strerror(errno);
        } else if (S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
            refused = std::strerror(errno);
        }
    }
    if (refused.empty()) file_ = ::fdopen(fd, "w");
    // Line by line, as the stream's own messages are written.
    if (file_ && stream >= 0) std::setvbuf(file_, nullptr, _IOLBF, BUFSIZ);
    if (!file_) {
        if (fd >= 0) ::close(fd);
        fail(refused.empty() ? std::strerror(errno) : refused);
        return false;
    }
    return true;
}

void TraceOutput::write(const platform::TraceRecord& record) {
    std::string text = record.routine + ": ";
    switch (record.kind) {
    case platform::TraceKind::Entry: text += "> entry"; break;
    case platform::TraceKind::ExitResult: text += "< exit " + std::to_string(record.result); break;
    case platform::TraceKind::Exit: text += "< exit"; break;
    case platform::TraceKind::Line:
        text += record.text;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        break;
    }
    if (!opened_ && !open()) return;
    if (!file_) return;
    text += '\n';
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) fail(std::strerror(errno));
}

bool TraceOutput::finish(std::string& error) {
    if (file_ == stderr) {
        std::fflush(stderr);
    } else if (file_) {
        if (std::fflush(file_) != 0 || std::ferror(file_)) fail(std::strerror(errno));
        if (std::fclose(file_) != 0) fail(std::strerror(errno));
        file_ = nullptr;
    }
    error = error_;
    return error_.empty();
}

} // namespace cli
