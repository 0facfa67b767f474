#include <iostream>

#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/standard_output.h"
#include "cli/contention_tree.h"
#include "cli/enqplex_names.h"
#include "cli/name_widths.h"
#include "cli/past_query.h"

namespace cli {

int treeCommand(const Arguments& args) {
    const std::string format = args.value("--format", "text");
    if (std::string error; !namesFitTheirColumns(args, error)) {
        reportError(error);
        return exitcode::usage;
    }
    if (args.has("--history") || args.has("--at")) return pastTreeCommand(args);
    CommandContext context;
    if (!context.open(args)) return context.openFailure();
    const std::string enqplex = args.value("--enqplex");
    std::string error;
    if (args.has("--enqplex") && !enqplexKnown(context.snapshot(), enqplex, error)) {
        reportError(error);
        return context.finish(exitcode::usage);
    }
    ViewRunner runner(context.snapshot(), context.module(), context.storageLimit());
    ContentionTree tree = buildTree(runner, enqplex);
    if (format == "json")
        writeTreeJson(std::cout, tree);
    else if (format == "dot")
        writeTreeDot(std::cout, tree);
    else
        writeTreeText(std::cout, tree);
    flushStandardOutput();
    if (tree.report.status != zrx::entry::noMoreRows) {
        reportError(describeResult(tree.report));
        return context.finish(exitcode::viewStatus);
    }
    if (!tree.complete()) {
        for (const auto& e : tree.enqplexes)
            for (const auto& r : e.resources)
                if (!r.unavailable.empty())
                    reportError(printableText("the tasks of " + r.major + " " + r.minor + " in " + e.name +
                                              " could not be read: " + r.unavailable));
        return context.finish(exitcode::viewStatus);
    }
    return context.finish(exitcode::ok);
}

} // namespace cli
