#include "cli/command_context.h"

#include <iostream>

#include "cli/enterprise_source.h"
#include "cli/view_runner.h"
#include "platform/trace_control.h"

namespace cli {

const std::vector<OptionSpec> enterpriseOptions = {
    {"--db", true}, {"--demo", false}, {"--trace", true}, {"--trace-file", true}, {"--module", true},
};

void reportError(const std::string& message) { std::cerr << "mentrenq: " << message << '\n'; }

bool CommandContext::open(const Arguments& args, bool needModule) {
    if (args.has("--db") && args.has("--demo")) {
        reportError("give --db FILE or --demo, not both");
        return false;
    }
    platform::TraceSettings settings;
    if (args.has("--trace")) {
        std::string error;
        if (!platform::TraceSettings::parse(args.value("--trace"), settings, error)) {
            reportError("--trace: " + error);
            return false;
        }
    }
    platform::setTraceSettings(settings);
    if (args.has("--trace-file")) {
        const std::string path = args.value("--trace-file");
        traceFile_.reset(std::fopen(path.c_str(), "w"));
        if (!traceFile_) {
            reportError("cannot write trace file " + path);
            return false;
        }
    }
    trace_ = std::make_unique<TraceOutput>(traceFile_.get());

    std::string error;
    snapshot_ = openEnterprise(args.value("--db"), error);
    if (!snapshot_) {
        reportError(error);
        return false;
    }
    if (needModule) {
        module_ = host::Module::load(moduleFile(args.value("--module")), error);
        if (!module_) {
            reportError(error + " (use --module PATH or MENTRENQ_MODULE)");
            return false;
        }
    }
    return true;
}

} // namespace cli
