// What every command that runs the view needs: the enterprise, the module,
// the trace, the storage limit, and the exit statuses of the command.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cli/arguments.h"
#include "cli/trace_output.h"
#include "core/module.h"
#include "sql/snapshot.h"

namespace cli {

namespace exitcode {
inline constexpr int ok = 0;
inline constexpr int usage = 2;
inline constexpr int viewStatus = 3; // the view ended with a status other than 62, or a write failed
} // namespace exitcode

class CommandContext {
public:
    // Opens the enterprise and the module and sets up the trace as the
    // options say. False (with the message written) on any problem, which
    // the command reports as a usage error.
    bool open(const Arguments& args);

    host::sql::Snapshot& snapshot() { return *snapshot_; }
    const host::Module& module() { return *module_; }
    // Bytes one session may obtain from the data server.
    uint64_t storageLimit() const { return storageLimit_; }

    // Ends the trace. Returns `status`, or 3 with a message when a trace
    // line could not be written.
    int finish(int status);

private:
    std::unique_ptr<host::sql::Snapshot> snapshot_;
    std::unique_ptr<host::Module> module_;
    std::unique_ptr<TraceOutput> trace_;
    uint64_t storageLimit_ = UINT64_MAX;
};

void reportError(const std::string& message);

} // namespace cli
