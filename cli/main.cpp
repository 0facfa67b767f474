// mentrenq: find out who holds what everyone is waiting for.
#include <string>

#include "cli/command_edge.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/standard_output.h"

namespace {

int run(const cli::CommandLine& line) {
    if (line.command == "query") return cli::queryCommand(line.args);
    if (line.command == "tree") return cli::treeCommand(line.args);
    if (line.command == "sql") return cli::sqlCommand(line.args);
    if (line.command == "check") return cli::checkCommand(line.args);
    if (line.command == "demo") return cli::demoCommand(line.args);
    return cli::generateCommand(line.args);
}

} // namespace

int main(int argc, char** argv) {
    cli::CommandLine line;
    int status = cli::readCommandLine(argc, argv, line);
    if (status < 0) status = cli::runAtEdge([&] { return run(line); });
    return cli::finishStandardOutput(status);
}
