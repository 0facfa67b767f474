// demo and generate: write an enterprise as a snapshot file.
#include <iostream>
#include <stdexcept>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/enterprise_source.h"
#include "cli/generator_options.h"
#include "cli/message_text.h"
#include "cli/output_file.h"
#include "scenarios/generator.h"
#include "scenarios/texts.h"

namespace cli {

namespace {

// The view's limits on one query: summary and detail rows together, and the
// rows it hands out before loop control ends it at its 4002nd request call.
constexpr long viewRowLimit = 10000;
constexpr long viewRowsHandedOut = 4001;

int writeOut(const Arguments& args, std::string_view script) {
    std::string error;
    const std::string path = args.value("--out");
    if (!writeSnapshotFile(path, script, args.has("--force"), error)) {
        reportError(error);
        return exitcode::viewStatus;
    }
    std::cerr << "wrote " << shownName(path) << '\n';
    return exitcode::ok;
}

// Refused before any work: the target is neither new nor, with --force, a
// regular file.
bool outAllowed(const Arguments& args) {
    std::string error;
    if (outputAllowed(args.value("--out"), args.has("--force"), error)) return true;
    reportError(error);
    return false;
}

void warnAboutLimits(const scenarios::GeneratorOptions& options) {
    const scenarios::EnterpriseFigures f = scenarios::describe(options);
    const long rows = f.contendedResources + f.contendedTasks;
    if (rows > viewRowLimit)
        reportError("warning: a report on this enterprise needs up to " + std::to_string(rows) +
                    " summary and detail rows (" + std::to_string(f.contendedResources) + " resources, " +
                    std::to_string(f.contendedTasks) + " tasks); the view holds " + std::to_string(viewRowLimit) +
                    " and ends such a query with status 71");
    if (f.contendedResources >= viewRowsHandedOut)
        reportError("warning: a report on this enterprise would hand out " + std::to_string(f.contendedResources) +
                    " rows; the view ends a query that reaches " + std::to_string(viewRowsHandedOut) +
                    " rows with status 71");
}

} // namespace

int demoCommand(const Arguments& args) {
    if (!outAllowed(args)) return exitcode::usage;
    return writeOut(args, scenarios::demoEnterpriseSql());
}

scenarios::GeneratorOptions generatorOptions(const Arguments& args) {
    scenarios::GeneratorOptions options;
    struct Numeric {
        const char* name;
        int* field;
    };
    long long value = 0;
    for (const Numeric& n : {Numeric{"--enqplexes", &options.enqplexes}, Numeric{"--sysplexes", &options.sysplexes},
                             Numeric{"--systems", &options.systems}, Numeric{"--resources", &options.resources},
                             Numeric{"--tasks", &options.tasks}})
        if (args.has(n.name) && parseNumber(args.value(n.name), 0, INT32_MAX, value))
            *n.field = static_cast<int>(value);
    if (args.has("--seed") && parseNumber(args.value("--seed"), 0, INT64_MAX, value))
        options.seed = static_cast<uint64_t>(value);
    return options;
}

int generateCommand(const Arguments& args) {
    for (const char* timeline : {"--timeline", "--out-dir", "--step", "--start"})
        if (args.has(timeline)) return timelineCommand(args);
    if (!args.has("--out")) {
        reportError("generate needs --out FILE, or --timeline N --out-dir DIR");
        return exitcode::usage;
    }
    const scenarios::GeneratorOptions options = generatorOptions(args);
    if (!outAllowed(args)) return exitcode::usage;
    std::string script;
    try {
        script = scenarios::generateEnterpriseSql(options);
    } catch (const std::invalid_argument& e) {
        reportError(std::string("--") + e.what());
        return exitcode::usage;
    }
    warnAboutLimits(options);
    return writeOut(args, script);
}

} // namespace cli
