#include "cli/command_edge.h"

#include <new>

#include "cli/command_context.h"
#include "core/module.h"

namespace cli {

int runAtEdge(const std::function<int()>& command) {
    try {
        return command();
    } catch (const std::bad_alloc&) {
        reportError("out of memory");
    } catch (const host::ModuleFailure& failure) {
        reportError(failure.what());
    }
    return exitcode::viewStatus;
}

} // namespace cli
