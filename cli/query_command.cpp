#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/standard_output.h"
#include "cli/enqplex_names.h"
#include "cli/name_widths.h"
#include "cli/past_query.h"
#include "cli/predicates.h"
#include "cli/row_filter.h"
#include "cli/row_formats.h"
#include "cli/view_plan.h"
#include "cli/view_runner.h"
#include "picture/builder.h"
#include "picture/check_beside.h"

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

std::vector<host::Predicate> predicatesForTheView(const std::vector<host::Predicate>& predicates, bool filtered) {
    // The view gets the predicates as they were given when it takes them,
    // otherwise a report or one resource that holds every row they keep.
    return !filtered || viewTakes(predicates) ? predicates : viewPlan(predicates);
}

int writeQueryResult(ViewResult& result, const std::vector<host::Predicate>& predicates, bool filtered,
                     RowFormat format, const QueryPast* past, const CommandContext* context) {
    const size_t fromView = result.rows.size();
    std::string error;
    if (filtered && !keepRowsMeeting(result.rows, predicates, error)) {
        reportError(error);
        return exitcode::viewStatus;
    }
    const bool failed = result.status != zrx::entry::noMoreRows;
    if (past && format == RowFormat::Json) std::cout << dumpJson(pastJson(*past, rowsJson(result.rows)));
    else if (failed && format == RowFormat::Json) std::cout << dumpJson(failedViewJson(result.status, describeResult(result), rowsJson(result.rows), "rows"));
    else writeRows(std::cout, format, result.rows);
    flushStandardOutput();
    if (past && format != RowFormat::Json) std::cerr << pastLine(*past) << '\n';
    if (context) context->reportTraceLines(result.trace.summary);
    reportPassedOver(result.trace.passedOver);
    const std::string meaning = describeStatus(result.status, result.abandonReason);
    if (format == RowFormat::Table) {
        std::cerr << result.rows.size();
        if (filtered) std::cerr << " of " << fromView;
        std::cerr << (fromView == 1 ? " row" : " rows") << ", status " << result.status << " (" << meaning << "), "
                  << duration(result.elapsedMs) << " in the view";
        if (context && context->checkMs() >= 0)
            std::cerr << ", " << duration(context->checkMs()) << " checking the snapshot";
        std::cerr << '\n';
    }
    if (failed) {
        reportError(past && !past->failure.empty() ? past->failure : describeResult(result));
        return exitcode::viewStatus;
    }
    return exitcode::ok;
}

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
    if (args.has("--history") || args.has("--at")) return pastQueryCommand(args, predicates, filtered, format);
    CommandContext context;
    // A snapshot file's value check runs beside the view on a second
    // connection when a second core can take it; with --enqplex it runs
    // first, as the name is looked up in the snapshot before the view.
    const bool checkAlongside =
        !args.value("--db").empty() && !args.has("--enqplex") && picture::availableCores() > 1;
    if (!context.open(args, checkAlongside ? CommandContext::Check::Later : CommandContext::Check::First))
        return context.openFailure();
    for (const auto& [option, value] : args.options) {
        if (option == "--enqplex" && !enqplexKnown(context.snapshot(), value, error)) {
            reportError(error);
            return context.finish(exitcode::usage);
        }
    }

    std::unique_ptr<host::sql::Snapshot> checkConnection;
    std::optional<picture::CheckBeside> checking;
    if (checkAlongside) {
        checkConnection = host::sql::Snapshot::openSameVersion(context.snapshot(), error);
        auto check = [&context](host::sql::Snapshot& connection) { return context.checkSnapshot(connection); };
        if (checkConnection) checking.emplace(*checkConnection, check);
        else if (!check(context.snapshot())) return context.openFailure();
    }
    ViewRunner runner(context.snapshot(), context.module(), context.storageLimit());
    ViewResult result = runner.run(predicatesForTheView(predicates, filtered));
    if (checking && !checking->passed()) return context.openFailure();
    return context.finish(writeQueryResult(result, predicates, filtered, format, nullptr, &context));
}

} // namespace cli
