#include <cstdio>
#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/standard_output.h"
#include "cli/enqplex_names.h"
#include "cli/name_widths.h"
#include "cli/predicates.h"
#include "cli/row_filter.h"
#include "cli/row_formats.h"
#include "cli/view_plan.h"
#include "cli/view_runner.h"

namespace cli {

namespace {

// "63.1 ms", or "9.5 s" from ten seconds on.
std::string duration(double ms) {
    char text[32];
    if (ms < 10000) std::snprintf(text, sizeof text, "%.1f ms", ms);
    else std::snprintf(text, sizeof text, "%.1f s", ms / 1000);
    return text;
}

} // namespace

int queryCommand(const Arguments& args) {
    RowFormat format = RowFormat::Table;
    parseRowFormat(args.value("--format", "table"), format);
    std::vector<host::Predicate> predicates;
    std::string error;
    // With --where every predicate is also a condition that SQLite checks on
    // the rows, as `sql` checks its WHERE clause.
    const bool filtered = args.has("--where");
    if (!predicatesFrom(args, predicates, error) || !namesFitTheirColumns(args, error) ||
        (filtered && !checkConditions(predicates, error))) {
        reportError(error);
        return exitcode::usage;
    }
    CommandContext context;
    if (!context.open(args)) return context.openFailure();
    for (const auto& [option, value] : args.options) {
        if (option == "--enqplex" && !enqplexKnown(context.snapshot(), value, error)) {
            reportError(error);
            return context.finish(exitcode::usage);
        }
    }

    // The view gets the predicates as they were given when it takes them,
    // otherwise a report or one resource that holds every row they keep.
    ViewRunner runner(context.snapshot(), context.module(), context.storageLimit());
    ViewResult result = runner.run(!filtered || viewTakes(predicates) ? predicates : viewPlan(predicates));
    const size_t fromView = result.rows.size();
    if (filtered && !keepRowsMeeting(result.rows, predicates, error)) {
        reportError(error);
        return context.finish(exitcode::viewStatus);
    }
    writeRows(std::cout, format, result.rows);
    flushStandardOutput();
    context.reportTraceLines(result.trace.summary);
    reportPassedOver(result.trace.passedOver);
    const std::string meaning = describeStatus(result.status, result.abandonReason);
    if (format == RowFormat::Table) {
        std::cerr << result.rows.size();
        if (filtered) std::cerr << " of " << fromView;
        std::cerr << (fromView == 1 ? " row" : " rows") << ", status " << result.status << " (" << meaning << "), "
                  << duration(result.elapsedMs) << " in the view";
        if (context.checkMs() >= 0) std::cerr << ", " << duration(context.checkMs()) << " checking the snapshot";
        std::cerr << '\n';
    }
    if (result.status != zrx::entry::noMoreRows) {
        reportError(describeResult(result));
        return context.finish(exitcode::viewStatus);
    }
    return context.finish(exitcode::ok);
}

} // namespace cli
