// mentrenq waits: a check for monitoring systems. Whatever happens, it
// writes one verdict on standard output and ends with the convention's exit
// status (0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN), never another.
#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/enqplex_names.h"
#include "cli/name_widths.h"
#include "cli/standard_output.h"
#include "cli/waits_verdict.h"
#include "picture/builder.h"

namespace cli {

namespace {

std::optional<AlertRange> rangeOption(const Arguments& args, const char* name) {
    if (!args.has(name)) return std::nullopt;
    std::string error; // the command line checked the value already
    return AlertRange::parse(args.value(name), error);
}

} // namespace

int waitsCommand(const Arguments& args) {
    WaitsThresholds thresholds;
    thresholds.warning = rangeOption(args, "--warning");
    thresholds.critical = rangeOption(args, "--critical");
    thresholds.waitersWarning = rangeOption(args, "--waiters-warning");
    thresholds.waitersCritical = rangeOption(args, "--waiters-critical");
    const bool json = args.value("--format", "text") == "json";
    auto give = [&](const WaitsVerdict& verdict) {
        if (json) writeVerdictJson(std::cout, verdict, thresholds);
        else std::cout << checkLine(verdict);
        flushStandardOutput();
        return static_cast<int>(verdict.state);
    };

    std::string error;
    if (!namesFitTheirColumns(args, error)) return give(unknownVerdict(error));
    std::string firstMessage;
    CommandContext context;
    context.setMessageSink([&](const std::string& message) {
        if (firstMessage.empty()) firstMessage = message;
    });
    if (!context.open(args)) return give(unknownVerdict(firstMessage));
    picture::PictureOptions options;
    options.enqplex = args.value("--enqplex");
    options.storageLimit = context.storageLimit();
    if (args.has("--enqplex") && !enqplexKnown(context.snapshot(), options.enqplex, error)) {
        context.setMessageSink(reportError);
        give(unknownVerdict(error));
        return context.finish(static_cast<int>(CheckState::unknown));
    }
    const picture::Picture tree = picture::buildPicture(context.snapshot(), context.module(), options);
    WaitsMeasure measure = measurePicture(tree);
    if (!tree.snapshotProblem.empty()) measure.failure = args.value("--db") + ": " + tree.snapshotProblem;
    if (context.snapshot().readingSpoiled(error)) measure.failure = args.value("--db") + ": " + error;
    const int status = give(judgeWaits({measure}, thresholds));
    // Only the trace can still fail; its message goes to standard error.
    context.setMessageSink(reportError);
    return context.finish(status);
}

} // namespace cli
