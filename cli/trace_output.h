// Where the module's trace goes: standard error, or a file the user named,
// one line per trace call, prefixed with the routine's name. The file is
// opened when the first line arrives, so a run without trace lines leaves
// it alone.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/file_identity.h"
#include "platform/trace_control.h"

namespace cli {

// Whether `path` may take a trace: a new path, a regular file (rewritten), a
// FIFO or a character device; never a directory, a block device, a socket or
// a file the command reads. False with the reason.
bool traceFileAllowed(const std::string& path, const ReadFiles& reads, std::string& error);

class TraceOutput : public platform::TraceSink {
public:
    // Standard error.
    TraceOutput();
    // The file at `path`, checked again against `reads` once it is open.
    TraceOutput(std::string path, ReadFiles reads);
    ~TraceOutput() override;
    TraceOutput(const TraceOutput&) = delete;
    TraceOutput& operator=(const TraceOutput&) = delete;

    void write(const platform::TraceRecord& record) override;

    // Writes out what is buffered and closes the file. False, with a message
    // naming the file, when a line could not be written.
    bool finish(std::string& error);

private:
    bool open();
    void fail(const std::string& why);

    std::string path_;
    ReadFiles reads_;
    FILE* file_ = nullptr;
    bool opened_ = false;
    std::string error_;
};

} // namespace cli
