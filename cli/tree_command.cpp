#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/contention_tree.h"

namespace cli {

int treeCommand(int argc, char** argv) {
    std::vector<OptionSpec> specs = enterpriseOptions;
    specs.insert(specs.end(), {{"--enqplex", true}, {"--format", true}});
    Arguments args;
    std::string error;
    if (!parseArguments(argc, argv, 2, specs, args, error) || !args.positionals.empty()) {
        reportError(error.empty() ? "unexpected argument " + args.positionals.front() : error);
        std::cerr << usage("tree");
        return exitcode::usage;
    }
    const std::string format = args.value("--format", "text");
    if (format != "text" && format != "json" && format != "dot") {
        reportError("--format must be text, json or dot");
        return exitcode::usage;
    }
    CommandContext context;
    if (!context.open(args)) return exitcode::usage;
    ViewRunner runner(context.snapshot(), context.module());
    ContentionTree tree = buildTree(runner, args.value("--enqplex"));
    if (format == "json")
        writeTreeJson(std::cout, tree);
    else if (format == "dot")
        writeTreeDot(std::cout, tree);
    else
        writeTreeText(std::cout, tree);
    std::cout.flush();
    if (tree.reportStatus != 62) {
        reportError("status " + std::to_string(tree.reportStatus) + ": " +
                    describeStatus(tree.reportStatus, tree.reportLines));
        return exitcode::viewStatus;
    }
    if (!tree.complete()) {
        reportError("the tasks of some resources could not be read (see the statuses above)");
        return exitcode::viewStatus;
    }
    return exitcode::ok;
}

} // namespace cli
