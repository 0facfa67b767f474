// The entry of the server library (cli/serve_library.h): the command as the
// program would run it, behind a C function that lets nothing be thrown
// out of it.
#include <new>

#include "cli/command_context.h"
#include "cli/command_edge.h"
#include "cli/commands.h"
#include "cli/serve_library.h"

#define MENTRENQ_SERVE_EXPORT extern "C" __attribute__((visibility("default")))

MENTRENQ_SERVE_EXPORT const char* mentrenq_serve_version() { return MENTRENQ_VERSION; }

MENTRENQ_SERVE_EXPORT int mentrenq_serve_v1(const MentrenqServeCall* call) {
    try {
        cli::Arguments args;
        for (std::size_t i = 0; i < call->optionCount; ++i) args.options.emplace_back(call->names[i], call->values[i]);
        return cli::runAtEdge([&] { return cli::serveCommand(args); });
    } catch (const std::bad_alloc&) {
        cli::reportError("out of memory");
    } catch (...) {
        cli::reportError("serve: an unexpected failure ended the server");
    }
    return cli::exitcode::viewStatus;
}
