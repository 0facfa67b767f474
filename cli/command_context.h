// What every command that runs the view needs: the enterprise, the module,
// the trace, the storage limit, and the exit statuses of the command.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/trace_output.h"
#include "core/module.h"
#include "picture/view_trace.h"
#include "sql/snapshot.h"

namespace cli {

namespace exitcode {
inline constexpr int ok = 0;
inline constexpr int usage = 2;
inline constexpr int viewStatus = 3; // the view ended with a status other than 62, or a write failed
} // namespace exitcode

void reportError(const std::string& message);

class CommandContext {
public:
    // Opens the enterprise and the module and sets up the trace as the
    // options say. A snapshot file is checked for values its columns cannot
    // deliver (value_check.h) before any query runs: here, or with
    // Check::Later by the command through checkSnapshot (a picture runs it
    // beside its report). False (with the message written) on any problem;
    // openFailure() is the exit status.
    enum class Check { First, Later };
    bool open(const Arguments& args, Check check = Check::First);
    // The value check of open(), on `connection` (one reading the same
    // version as snapshot()), with the same messages. Does nothing for the
    // built-in demo.
    bool checkSnapshot(host::sql::Snapshot& connection);
    // A usage error (2), or 3 when another process kept the snapshot locked.
    int openFailure() const { return openFailure_; }

    // Where the context's messages go (reportError by default): a command
    // that must say everything in its own output takes them.
    void setMessageSink(std::function<void(const std::string&)> sink) { report_ = std::move(sink); }

    host::sql::Snapshot& snapshot() { return *snapshot_; }
    // Closes the snapshot, for a command that opens it afresh each time it
    // reads it. Whether its reading was spoiled is reported here.
    void releaseSnapshot();
    const host::Module& module() { return *module_; }
    // Bytes one session may obtain from the data server.
    uint64_t storageLimit() const { return storageLimit_; }
    // Milliseconds the value check of a snapshot file took; negative when
    // no file was checked (the built-in demo).
    double checkMs() const { return checkMs_; }

    // The view's lines of a request summed up in one message, when they did
    // asked for none (no --trace; none or only --trace-file): the first line
    // (the reason when the view gave up), how many followed, and where they
    // all are. A single line without a trace file is written as it stands.
    void reportTraceLines(const picture::TraceSummary& lines) const;

    // Ends the trace. Returns `status`, or 3 with a message when a trace
    // line could not be written, or when a read of the snapshot gave up on
    // another process's lock or the file changed while it was read.
    int finish(int status);

private:
    std::function<void(const std::string&)> report_ = reportError;
    std::unique_ptr<host::sql::Snapshot> snapshot_;
    std::unique_ptr<host::Module> module_;
    std::unique_ptr<TraceOutput> trace_;
    uint64_t storageLimit_ = UINT64_MAX;
    double checkMs_ = -1;
    std::string dbFile_;
    bool traceAsked_ = false;
    std::string traceFile_;
    int openFailure_ = exitcode::usage;
};

// One warning on standard error for each thing the view passed over.
void reportPassedOver(const picture::PassedOver& passedOver);

// Every value of the snapshot that its column cannot deliver, one line each
// (value_check.h), from at most `perTable` rows of each table (0: all).
// False with the message when the check itself fails.
bool snapshotProblems(host::sql::Snapshot& snapshot, std::size_t perTable, std::vector<std::string>& lines,
                      std::string& error);

} // namespace cli
