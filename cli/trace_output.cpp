#include "cli/trace_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cli {

namespace {

// The kinds of file a trace may go to, besides a new path.
bool traceKind(mode_t mode) { return S_ISREG(mode) || S_ISFIFO(mode) || S_ISCHR(mode); }

} // namespace

bool traceFileAllowed(const std::string& path, const ReadFiles& reads, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return true; // a new file
    if (const std::string* read = reads.find(st)) {
        error = "the trace file " + path + " is " + *read + ", which the command reads";
        return false;
    }
    if (!traceKind(st.st_mode)) {
        error = "the trace file " + path + " is " + fileKind(st.st_mode);
        return false;
    }
    return true;
}

TraceOutput::TraceOutput() : file_(stderr), opened_(true) { platform::setTraceSink(this); }

TraceOutput::TraceOutput(std::string path, ReadFiles reads) : path_(std::move(path)), reads_(std::move(reads)) {
    platform::setTraceSink(this);
}

TraceOutput::~TraceOutput() {
    platform::setTraceSink(nullptr);
    if (file_ && file_ != stderr) std::fclose(file_);
}

void TraceOutput::fail(const std::string& why) {
    if (error_.empty()) error_ = "cannot write the trace file " + path_ + ": " + why;
}

// Opened without truncating, so that the checks run on the very file before
// anything in it changes.
bool TraceOutput::open() {
    opened_ = true;
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        fail(std::strerror(errno));
        return false;
    }
    struct stat st {};
    std::string refused;
    if (::fstat(fd, &st) != 0) refused = std::strerror(errno);
    else if (const std::string* read = reads_.find(st)) refused = "it is " + *read + ", which the command reads";
    else if (!traceKind(st.st_mode)) refused = std::string("it is ") + fileKind(st.st_mode);
    else if (S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) refused = std::strerror(errno);
    if (refused.empty()) file_ = ::fdopen(fd, "w");
    if (!file_) {
        ::close(fd);
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
