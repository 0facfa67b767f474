// mentrenq waits: a check for monitoring systems. Whatever happens, it
// writes one verdict on standard output and ends with the convention's exit
// status (0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN), never another.
#include <algorithm>
#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/enqplex_names.h"
#include "cli/message_text.h"
#include "cli/name_widths.h"
#include "cli/standard_output.h"
#include "cli/waits_verdict.h"
#include "history/picture_sample.h"
#include "history/reader.h"
#include "picture/builder.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

std::optional<AlertRange> rangeOption(const Arguments& args, const char* name) {
    if (!args.has(name)) return std::nullopt;
    std::string error; // the command line checked the value already
    return AlertRange::parse(args.value(name), error);
}

// Samples before the judged ones that show how often the history is taken.
constexpr int64_t cadenceSamples = 16;

// "no sample between A and B ..." when two consecutive samples of the last
// `required` are further apart than the history's usual interval allows
// (half as much again as the median of the intervals read): a recorder that
// stopped, or missed its time, left out a sample the level may not have
// held in. Empty when there is no such gap, or too few intervals to say.
std::string missedSample(const std::vector<history::SampleInfo>& infos, std::size_t required) {
    std::vector<int64_t> intervals;
    for (std::size_t i = 1; i < infos.size(); ++i) intervals.push_back(infos[i].takenMs - infos[i - 1].takenMs);
    if (intervals.size() < 2 || required < 2) return "";
    std::vector<int64_t> sorted = intervals;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const int64_t usual = sorted[sorted.size() / 2];
    const std::size_t first = infos.size() > required ? infos.size() - required : 0;
    for (std::size_t i = first + 1; i < infos.size(); ++i) {
        if (2 * intervals[i - 1] < 3 * usual) continue;
        return "no sample between " + host::sql::formatUtcTime(infos[i - 1].takenMs) + " and " +
               host::sql::formatUtcTime(infos[i].takenMs) + ", where the history holds one every " +
               std::to_string((usual + 500) / 1000) + " s: a sample is missing";
    }
    return "";
}

// The last `required` samples of the history, each measured as the view
// answered at its time.
WaitsVerdict judgeHistory(const std::string& path, const std::string& enqplex, const WaitsThresholds& thresholds,
                          std::size_t required) {
    std::string error;
    history::OpenProblem problem = history::OpenProblem::None;
    auto reader = history::Reader::open(path, error, problem);
    if (!reader) return unknownVerdict(error);
    std::vector<history::SampleInfo> infos;
    if (!reader->lastSamples(static_cast<int64_t>(required) + cadenceSamples, infos, error))
        return unknownVerdict(shownName(path) + ": " + error);
    const std::string missed = missedSample(infos, required);
    if (infos.size() > required) infos.erase(infos.begin(), infos.end() - static_cast<std::ptrdiff_t>(required));
    const std::string wanted = enqplexOfPredicate(enqplex);
    std::vector<WaitsMeasure> measures;
    for (const auto& info : infos) {
        WaitsMeasure m;
        history::Sample sample;
        if (!info.status) {
            m.failure = info.reason;
        } else if (!reader->content(info, sample, error)) {
            m.failure = shownName(path) + ": " + error;
        } else if (!wanted.empty() &&
                   std::find(sample.enqplexes.begin(), sample.enqplexes.end(), wanted) == sample.enqplexes.end()) {
            m.failure = "the snapshot had no Enqplex " + shownName(wanted);
        } else {
            m = measurePicture(history::pictureOf(sample, enqplex));
        }
        m.time = host::sql::formatUtcTime(info.takenMs);
        measures.push_back(std::move(m));
    }
    WaitsVerdict verdict = judgeWaits(measures, thresholds, required);
    if (!missed.empty() && verdict.state != CheckState::unknown) {
        verdict.state = CheckState::unknown;
        verdict.summary = missed;
    }
    return verdict;
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
    if (args.has("--history")) {
        if (args.has("--db") || args.has("--demo")) return give(unknownVerdict("give --db or --history, not both"));
        long long required = 1;
        if (args.has("--for")) parseNumber(args.value("--for"), 1, maxSamplesFor, required);
        return give(judgeHistory(args.value("--history"), args.value("--enqplex"), thresholds,
                                 static_cast<std::size_t>(required)));
    }
    if (args.has("--for")) return give(unknownVerdict("--for needs --history FILE: it counts the history's samples"));
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
