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

// Whether `path` may take a trace. As with --out: a new path, or an
// existing regular file only with `force` (it is rewritten), never through
// a symbolic link; besides, a FIFO or a character device (also through a
// link), and the file that standard output or standard error already
// writes (/dev/stderr), which the trace then joins without rewriting it.
// Never a directory, a block device, a socket or a file the command reads.
// False with the reason.
bool traceFileAllowed(const std::string& path, const ReadFiles& reads, bool force, std::string& error);

class TraceOutput : public platform::TraceSink {
public:
    // Standard error.
    TraceOutput();
    // The file at `path`, checked again by the same rules once it is open.
    TraceOutput(std::string path, ReadFiles reads, bool force);
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
    bool force_ = false;
    FILE* file_ = nullptr;
    bool opened_ = false;
    std::string error_;
};

} // namespace cli
