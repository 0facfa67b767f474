#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/predicates.h"
#include "cli/row_formats.h"
#include "cli/view_runner.h"

namespace cli {

int queryCommand(int argc, char** argv) {
    std::vector<OptionSpec> specs = enterpriseOptions;
    specs.insert(specs.end(), {{"--report", false}, {"--major", true}, {"--minor", true},
                               {"--enqplex", true}, {"--where", true}, {"--format", true}});
    Arguments args;
    std::string error;
    if (!parseArguments(argc, argv, 2, specs, args, error) || !args.positionals.empty()) {
        reportError(error.empty() ? "unexpected argument " + args.positionals.front() : error);
        std::cerr << usage("query");
        return exitcode::usage;
    }
    RowFormat format = RowFormat::Table;
    if (args.has("--format") && !parseRowFormat(args.value("--format"), format)) {
        reportError("--format must be table, csv or json");
        return exitcode::usage;
    }
    std::vector<host::Predicate> predicates;
    if (!predicatesFrom(args, predicates, error)) {
        reportError(error);
        return exitcode::usage;
    }
    CommandContext context;
    if (!context.open(args)) return exitcode::usage;

    ViewRunner runner(context.snapshot(), context.module());
    ViewResult result = runner.run(predicates);
    writeRows(std::cout, format, result.rows);
    std::cout.flush();
    const std::string meaning = describeStatus(result.status, result.lines);
    if (format == RowFormat::Table) {
        char elapsed[32];
        std::snprintf(elapsed, sizeof elapsed, "%.1f ms", result.elapsedMs);
        std::cerr << result.rows.size() << (result.rows.size() == 1 ? " row" : " rows") << ", status "
                  << result.status << " (" << meaning << "), " << elapsed << '\n';
    }
    if (result.status != 62) {
        reportError("status " + std::to_string(result.status) + ": " + meaning);
        return exitcode::viewStatus;
    }
    return exitcode::ok;
}

} // namespace cli
