// What every command that runs the view needs: the enterprise, the module,
// the trace, and the exit statuses of the command.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/trace_output.h"
#include "core/module.h"
#include "sql/snapshot.h"

namespace cli {

namespace exitcode {
inline constexpr int ok = 0;
inline constexpr int usage = 2;
inline constexpr int viewStatus = 3; // the view ended with a status other than 62
} // namespace exitcode

// Options shared by the commands that open an enterprise and run the view.
extern const std::vector<OptionSpec> enterpriseOptions;

class CommandContext {
public:
    // Opens the enterprise and the module and sets up the trace as the
    // options say. False (with the message written) on any problem.
    bool open(const Arguments& args, bool needModule = true);

    host::sql::Snapshot& snapshot() { return *snapshot_; }
    const host::Module& module() { return *module_; }

private:
    std::unique_ptr<host::sql::Snapshot> snapshot_;
    std::unique_ptr<host::Module> module_;
    std::unique_ptr<FILE, int (*)(FILE*)> traceFile_{nullptr, &std::fclose};
    std::unique_ptr<TraceOutput> trace_;
};

void reportError(const std::string& message);

} // namespace cli
