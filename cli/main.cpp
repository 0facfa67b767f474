// mentrenq: find out who holds what everyone is waiting for.
#include <csignal>
#include <string>

#include "cli/command_context.h"
#include "cli/command_edge.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/heap_setup.h"
#include "cli/serve_library.h"
#include "cli/standard_output.h"

namespace {

int run(const cli::CommandLine& line) {
    if (line.command == "query") return cli::queryCommand(line.args);
    if (line.command == "tree") return cli::treeCommand(line.args);
    if (line.command == "sql") return cli::sqlCommand(line.args);
    if (line.command == "check") return cli::checkCommand(line.args);
    if (line.command == "demo") return cli::demoCommand(line.args);
    if (line.command == "record") return cli::recordCommand(line.args);
    if (line.command == "history") return cli::historyCommand(line.args);
    if (line.command == "diff") return cli::diffCommand(line.args);
    if (line.command == "simulate") return cli::simulateCommand(line.args);
    if (line.command == "waits") return cli::waitsCommand(line.args);
    if (line.command == "watch") return cli::watchCommand(line.args);
    if (line.command == "serve") {
#ifdef MENTRENQ_SERVE
        return cli::serveFromLibrary(line.args);
#else
        cli::reportError("this build of mentrenq has no server (it was configured with ZRX_BUILD_SERVE=OFF)");
        return cli::exitcode::usage;
#endif
    }
    return cli::generateCommand(line.args);
}

} // namespace

int main(int argc, char** argv) {
    cli::setUpHeap();
    // A reader that goes away (`| head`) makes a write fail with EPIPE
    // instead of ending the program by a signal: the command then says that
    // its output was cut and ends with status 3, as for any output it
    // cannot write.
    std::signal(SIGPIPE, SIG_IGN);
    cli::CommandLine line;
    int status = cli::readCommandLine(argc, argv, line);
    if (status < 0) status = cli::runAtEdge([&] { return run(line); });
    return cli::finishStandardOutput(status);
}
