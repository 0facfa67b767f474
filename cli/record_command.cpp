// record: run the view again and again, or once on each of a series of
// snapshot files, and keep each result as a sample of a history.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/message_text.h"
#include "cli/commands.h"
#include "cli/history_to_write.h"
#include "cli/snapshot_sample.h"
#include "cli/stop_signals.h"
#include "cli/view_runner.h"
#include "history/history_file.h"
#include "history/reader.h"
#include "history/writer.h"
#include "picture/builder.h"
#include "picture/view_trace.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

struct Progress {
    bool terminal = ::isatty(STDERR_FILENO) == 1;
    long recorded = 0, notLater = 0, failed = 0;

    void show(const history::Sample& s) {
        if (!terminal) return;
        size_t rows = s.report.size();
        for (const auto& r : s.resources) rows += r.rows.size();
        std::cerr << "\rsamples " << recorded << ", last " << host::sql::formatUtcTime(s.takenMs) << " status "
                  << (s.status ? std::to_string(*s.status) : "none") << ", " << rows << (rows == 1 ? " row" : " rows")
                  << "   " << std::flush;
    }
    void endLine() {
        if (terminal && recorded + notLater > 0) std::cerr << '\n';
    }
};

// Writes one sample; false (with the message written) when the history
// could not be written.
bool recordOne(history::Writer& writer, const history::Sample& sample, std::optional<int64_t> keep, Progress& progress,
               bool quietWhenSame) {
    history::AppendResult result;
    std::string error;
    if (!writer.append(sample, keep, result, error)) {
        progress.endLine();
        reportError("cannot write the history: " + error);
        return false;
    }
    if (result.outcome == history::AppendOutcome::NotLater) {
        ++progress.notLater;
        if (!(quietWhenSame && result.lastTakenMs == sample.takenMs)) {
            progress.endLine();
            reportError(sample.snapshot + ", taken at " + host::sql::formatUtcTime(sample.takenMs) +
                                      ", is not later than the history's last sample (" +
                                      host::sql::formatUtcTime(result.lastTakenMs) + "): not recorded");
        }
        return true;
    }
    ++progress.recorded;
    if (!sample.reportComplete() || std::any_of(sample.resources.begin(), sample.resources.end(),
                                                [](const auto& r) { return !r.unavailable.empty(); })) {
        ++progress.failed;
        progress.endLine();
        std::string why = sample.reason;
        for (const auto& r : sample.resources)
            if (why.empty() && !r.unavailable.empty()) why = "the tasks of a resource could not be read: " + r.unavailable;
        reportError("sample of " + host::sql::formatUtcTime(sample.takenMs) + " (" + sample.snapshot +
                                  "): " + why);
    }
    progress.show(sample);
    return true;
}

} // namespace

int recordCommand(const Arguments& args) {
    const bool live = args.has("--db");
    if (live == !args.positionals.empty()) {
        reportError(live ? "give --db SNAPSHOT or snapshot files to record once each, not both"
                         : "give --db SNAPSHOT to sample, or snapshot files to record once each");
        return exitcode::usage;
    }
    if (!live && (args.has("--every") || args.has("--count"))) {
        reportError("--every and --count sample a snapshot given with --db");
        return exitcode::usage;
    }
    std::optional<int64_t> keep;
    if (args.has("--keep")) {
        int64_t ms = 0;
        history::parseDuration(args.value("--keep"), ms);
        keep = ms;
    }
    long long every = 10, count = 0, limit = INT64_MAX, jobs = 0;
    if (args.has("--every")) parseNumber(args.value("--every"), 1, 86400, every);
    if (args.has("--count")) parseNumber(args.value("--count"), 1, INT32_MAX, count);
    if (args.has("--storage-limit")) parseNumber(args.value("--storage-limit"), 1, INT64_MAX, limit);
    if (args.has("--jobs")) parseNumber(args.value("--jobs"), 1, picture::maxJobs, jobs);

    std::string error;
    // Every file named once is read before anything is written.
    struct Input {
        std::string path;
        int64_t time;
    };
    std::vector<Input> inputs;
    for (const std::string& path : args.positionals) {
        std::optional<int64_t> captured;
        if (!snapshotCaptureTime(path, captured, error)) {
            reportError(error);
            return exitcode::usage;
        }
        inputs.push_back({path, captured ? *captured : host::sql::currentUtcMilliseconds()});
    }
    std::stable_sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.time < b.time; });
    if (live && ::access(args.value("--db").c_str(), F_OK) != 0) {
        reportError("no snapshot file " + shownName(args.value("--db")));
        return exitcode::usage;
    }

    const std::string moduleFile = cli::moduleFile(args.value("--module"));
    auto module = host::Module::load(moduleFile, error);
    if (!module) {
        reportError(args.has("--module") ? error : error + " (use --module PATH or MENTRENQ_MODULE)");
        return exitcode::usage;
    }
    const std::string path = args.value("--history");
    int status = exitcode::ok;
    auto writer = openHistoryToWrite(path, status);
    if (!writer) return status;

    catchStopSignals();
    // The view's lines are read, not written: they count what each sample
    // passed over of the configuration.
    picture::useTraceSettings(platform::TraceSettings{}, true);
    SampleTaker taker(*module, static_cast<uint64_t>(limit), static_cast<int>(jobs));
    Progress progress;
    if (live) {
        const std::string snapshot = args.value("--db");
        for (long long taken = 0;;) {
            if (!recordOne(*writer, taker.take(snapshot), keep, progress, true)) return exitcode::viewStatus;
            if ((count > 0 && ++taken >= count) || !waitUnlessStopped(every * 1000)) break;
        }
    } else {
        for (const Input& input : inputs) {
            if (stopRequested()) break;
            if (!recordOne(*writer, taker.take(input.path), keep, progress, false)) return exitcode::viewStatus;
        }
    }
    progress.endLine();
    std::cerr << "recorded " << progress.recorded << (progress.recorded == 1 ? " sample" : " samples") << " in "
              << shownName(path);
    if (progress.failed) std::cerr << " (" << progress.failed << " of them failed)";
    if (progress.notLater) std::cerr << "; " << progress.notLater << " not later than the last sample, not recorded";
    std::cerr << '\n';
    return exitcode::ok;
}

} // namespace cli
