#include <iostream>

#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/contention_tree.h"
#include "cli/enqplex_names.h"
#include "cli/name_widths.h"
#include "cli/past_query.h"
#include "cli/standard_output.h"
#include "picture/builder.h"

namespace cli {

int treeCommand(const Arguments& args) {
    const std::string format = args.value("--format", "text");
    if (std::string error; !namesFitTheirColumns(args, error)) {
        reportError(error);
        return exitcode::usage;
    }
    if (args.has("--history") || args.has("--at")) return pastTreeCommand(args);
    picture::PictureOptions options;
    if (args.has("--jobs")) {
        long long jobs = 0;
        parseNumber(args.value("--jobs"), 1, picture::maxJobs, jobs);
        options.jobs = static_cast<int>(jobs);
    }
    CommandContext context;
    // The value check runs beside the report, on the connection that then
    // serves requests; with --enqplex it runs first, as the name is looked
    // up in the snapshot before the picture.
    const bool checkAlongside = !args.has("--enqplex");
    if (!context.open(args, checkAlongside ? CommandContext::Check::Later : CommandContext::Check::First))
        return context.openFailure();
    if (checkAlongside)
        options.checkAlongside = [&context](host::sql::Snapshot& connection) { return context.checkSnapshot(connection); };
    options.enqplex = args.value("--enqplex");
    options.storageLimit = context.storageLimit();
    std::string error;
    if (args.has("--enqplex") && !enqplexKnown(context.snapshot(), options.enqplex, error)) {
        reportError(error);
        return context.finish(exitcode::usage);
    }
    const picture::Picture tree = picture::buildPicture(context.snapshot(), context.module(), options);
    if (tree.checkFailed) return context.openFailure();
    if (format == "json" && !tree.report.endedNormally())
        writeFailedTreeJson(std::cout, tree);
    else if (format == "json")
        writeTreeJson(std::cout, tree);
    else if (format == "dot")
        writeTreeDot(std::cout, tree);
    else
        writeTreeText(std::cout, tree);
    flushStandardOutput();
    context.reportTraceLines(tree.reportTrace);
    // The text says it in its own lines.
    if (format != "text") reportPassedOver(tree.passedOver);
    if (!tree.report.endedNormally()) {
        reportError(tree.report.description());
        return context.finish(exitcode::viewStatus);
    }
    int status = exitcode::ok;
    for (const auto& gap : tree.gaps()) {
        reportError(printableText("the tasks of " + gap.major + " " + gap.minor + " in " + gap.enqplex +
                                  " could not be read: " + gap.reason));
        status = exitcode::viewStatus;
    }
    // A connection of the caller's that cannot be trusted is reported when
    // the command finishes; one of the picture's own is reported here.
    if (!tree.snapshotProblem.empty() && !context.snapshot().readingSpoiled(error)) {
        reportError(printableText(args.value("--db") + ": " + tree.snapshotProblem));
        status = exitcode::viewStatus;
    }
    return context.finish(status);
}

} // namespace cli
