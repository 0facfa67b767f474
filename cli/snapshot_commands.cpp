// demo and generate: write an enterprise as a snapshot file.
#include <iostream>
#include <stdexcept>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/enterprise_source.h"
#include "scenarios/generator.h"
#include "scenarios/texts.h"

namespace cli {

namespace {

int writeOut(const Arguments& args, std::string_view script) {
    std::string error;
    const std::string path = args.value("--out");
    if (!writeSnapshotFile(path, script, error)) {
        reportError(error);
        return exitcode::viewStatus;
    }
    std::cerr << "wrote " << path << '\n';
    return exitcode::ok;
}

bool outGiven(const Arguments& args, const char* command) {
    if (args.has("--out") && !args.value("--out").empty() && args.positionals.empty()) return true;
    reportError("give --out FILE");
    std::cerr << usage(command);
    return false;
}

} // namespace

int demoCommand(int argc, char** argv) {
    Arguments args;
    std::string error;
    if (!parseArguments(argc, argv, 2, {{"--out", true}}, args, error)) {
        reportError(error);
        std::cerr << usage("demo");
        return exitcode::usage;
    }
    if (!outGiven(args, "demo")) return exitcode::usage;
    return writeOut(args, scenarios::demoEnterpriseSql());
}

int generateCommand(int argc, char** argv) {
    const std::vector<OptionSpec> specs = {{"--out", true},    {"--enqplexes", true}, {"--sysplexes", true},
                                           {"--systems", true}, {"--resources", true}, {"--tasks", true},
                                           {"--seed", true}};
    Arguments args;
    std::string error;
    if (!parseArguments(argc, argv, 2, specs, args, error)) {
        reportError(error);
        std::cerr << usage("generate");
        return exitcode::usage;
    }
    if (!outGiven(args, "generate")) return exitcode::usage;
    scenarios::GeneratorOptions options;
    struct Numeric {
        const char* name;
        int* field;
    };
    for (const Numeric& n : {Numeric{"--enqplexes", &options.enqplexes}, Numeric{"--sysplexes", &options.sysplexes},
                             Numeric{"--systems", &options.systems}, Numeric{"--resources", &options.resources},
                             Numeric{"--tasks", &options.tasks}}) {
        if (!args.has(n.name)) continue;
        long long value = 0;
        if (!parseNumber(args.value(n.name), 0, 1000000, value)) {
            reportError(std::string(n.name) + " must be a whole number");
            return exitcode::usage;
        }
        *n.field = static_cast<int>(value);
    }
    if (args.has("--seed")) {
        long long seed = 0;
        if (!parseNumber(args.value("--seed"), 0, INT64_MAX, seed)) {
            reportError("--seed must be a whole number");
            return exitcode::usage;
        }
        options.seed = static_cast<uint64_t>(seed);
    }
    std::string script;
    try {
        script = scenarios::generateEnterpriseSql(options);
    } catch (const std::invalid_argument& e) {
        reportError(e.what());
        return exitcode::usage;
    }
    return writeOut(args, script);
}

} // namespace cli
