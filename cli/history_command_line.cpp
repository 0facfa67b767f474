#include "cli/history_command_line.h"

#include <cstdint>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/message_text.h"
#include "cli/option_checks.h"
#include "history/reader.h"
#include "picture/builder.h"
#include "scenarios/generator.h"
#include "scenarios/timeline.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

CLI::Validator check(std::string (*test)(const std::string&)) {
    return CLI::Validator([test](std::string& text) { return test(text); }, "", "");
}

std::string fileName(const std::string& text) { return text.empty() ? "needs a file name" : ""; }

std::string time(const std::string& text) {
    int64_t ms = 0;
    if (host::sql::parseUtcTime(text) || history::parseDuration(text, ms)) return "";
    return "must be an ISO-8601 UTC time (2026-12-10T08:15:00Z) or a duration back from the last sample "
           "(30s, 10m, 2h, 7d), not " + quotedText(text);
}

std::string utcTime(const std::string& text) {
    if (host::sql::parseUtcTime(text)) return "";
    return "must be an ISO-8601 UTC time such as 2026-12-10T08:15:00Z, not " + quotedText(text);
}

std::string duration(const std::string& text) {
    int64_t ms = 0;
    if (history::parseDuration(text, ms)) return "";
    return "must be a duration: a whole number followed by s, m, h or d (7d), not " + quotedText(text);
}

CLI::Option* historyFile(CLI::App& command, const char* text) {
    return single(command.add_option("--history")->description(text))->type_name("FILE")->check(check(fileName));
}

CLI::Option* formatOption(CLI::App& command, std::vector<std::string> names) {
    std::string list;
    for (const auto& n : names) list += (list.empty() ? "" : "|") + n;
    return single(command.add_option("--format")->description("How to write the result"))
        ->type_name(list)
        ->check(oneOf(names));
}

// The enterprise options of generate, for simulate.
void addEnterpriseShape(CLI::App& command) {
    using namespace scenarios;
    auto number = [&](const char* name, const char* text, long long low, long long high) {
        const std::string range = high < INT32_MAX ? " in " + std::to_string(low) + ".." + std::to_string(high) : "";
        single(command.add_option(name)->description(text))->type_name("N" + range)->check(wholeNumber(low, high));
    };
    number("--enqplexes", "Enqplexes", 1, maxEnqplexes);
    number("--sysplexes", "Sysplexes per Enqplex", 1, maxSysplexesPerEnqplex);
    number("--systems", "Systems per Sysplex (at most 64 per Enqplex)", 1, maxSystemsPerEnqplex);
    number("--resources", "Contended resources per Enqplex", 0, maxResourcesPerEnqplex);
    number("--tasks", "Average tasks per resource", minTasksPerResource, maxTasksPerResource);
    number("--seed", "Seed of the generator", 0, INT64_MAX);
}

void addRecord(CLI::App& app) {
    CLI::App* record = app.add_subcommand("record", "Run the view again and again and keep what it answered");
    historyFile(*record, "The history file to add to (created when new)")->required();
    single(record->add_option("--db")->description("The snapshot to sample while it changes"))
        ->type_name("FILE")
        ->check(check(fileName));
    record->add_option("SNAPSHOT")
        ->description("Snapshot files to record once each, in order of capture time")
        ->expected(CLI::detail::expected_max_vector_size);
    single(record->add_option("--every")->description("Seconds between samples of --db (default 10)"))
        ->type_name("SECONDS")
        ->check(wholeNumber(1, 86400));
    single(record->add_option("--count")->description("Read --db this many times, then stop (default: until "
                                                      "interrupted)"))
        ->type_name("N")
        ->check(wholeNumber(1, INT32_MAX));
    single(record->add_option("--keep")->description("Delete samples older than this, counted back from the newest"))
        ->type_name("DURATION")
        ->check(check(duration));
    single(record->add_option("--module")->description("Load the view module from PATH"))
        ->type_name("PATH")
        ->check(check(fileName));
    single(record->add_option("--storage-limit")->description("Storage in bytes one session of the data server "
                                                              "may hand out (default: no limit)"))
        ->type_name("BYTES")
        ->check(wholeNumber(1, 4294967295LL));
    single(record->add_option("--jobs")->description("Resources asked about at once (default: one per core)"))
        ->type_name("N")
        ->check(wholeNumber(1, picture::maxJobs));
    record->footer(
        "Each sample runs the view as tree does (the report, then the owners and waiters of each\n"
        "contended resource) on one whole version of the snapshot, and is written in one transaction.\n"
        "Its time is the snapshot's CAPTURE time, or the time it was read. A sample not later than\n"
        "the history's last is not written again. A failed view is kept as a failure.\n"
        "SIGINT or SIGTERM ends the loop after the current sample (exit status 0).\n"
        "The history must be a new path or a history of this version; anything else is refused\n"
        "(exit status 2) and left as it is. --keep 7d (also s, m, h).\n"
        "Exit status: 0 when every sample was written (a failed view too, said on standard error),\n"
        "2 for a usage error, 3 when the history cannot be written or another process records into it.");
}

void addHistory(CLI::App& app) {
    CLI::App* history = app.add_subcommand("history", "Episodes of contention in a history, longest blocking first");
    historyFile(*history, "The history file")->required();
    single(history->add_option("--since")->description("Only episodes still going at or after TIME"))
        ->type_name("TIME")
        ->check(check(time));
    single(history->add_option("--until")->description("Only episodes that began at or before TIME"))
        ->type_name("TIME")
        ->check(check(time));
    history->add_flag("--open")->description("Only episodes still going at the last sample");
    history->add_flag("--roots")->description("Rank the holders by the blocking of their episodes instead");
    formatOption(*history, {"table", "csv", "json"});
    history->footer(
        "An episode is a run of consecutive samples in which a resource is contended; a sample\n"
        "without it ends the run, a failed sample ends none. BLOCKED_SECONDS sums WAITTASKCT times\n"
        "the seconds to the next sample. TIME is an ISO-8601 UTC time (2026-12-10T08:15:00Z) or a\n"
        "duration back from the last sample (10m).");
}

void addDiff(CLI::App& app) {
    CLI::App* diff = app.add_subcommand("diff", "What changed between two moments");
    diff->add_option("OLD")->description("A snapshot file, or HISTORY@TIME")->required();
    diff->add_option("NEW")->description("A snapshot file, or HISTORY@TIME")->required();
    formatOption(*diff, {"table", "csv", "json"});
    single(diff->add_option("--module")->description("Load the view module from PATH"))
        ->type_name("PATH")
        ->check(check(fileName));
    diff->footer(
        "NEW: contended now and not before; RESOLVED: contended before and not now; CHANGED:\n"
        "contended on both sides with other waiters or holders, or a longer longest wait.\n"
        "Exit status: 0 when nothing differs, 1 when something does, 2 for a usage error, 3 when a\n"
        "view failed.");
}

void addSimulate(CLI::App& app) {
    CLI::App* simulate =
        app.add_subcommand("simulate", "Stand in for a collector: rewrite one snapshot as its enterprise changes");
    single(simulate->add_option("--out")->description("The snapshot file to keep rewriting (a new file or, with "
                                                      "--force, a regular file)"))
        ->type_name("FILE")
        ->required()
        ->check(check(fileName));
    simulate->add_flag("--force")->description("Replace the file given to --out when it exists");
    single(simulate->add_option("--every")->description("Seconds between two snapshots (default 5)"))
        ->type_name("SECONDS")
        ->check(wholeNumber(1, scenarios::maxTimelineStepSeconds));
    single(simulate->add_option("--count")->description("Write this many snapshots, then stop (default: until "
                                                        "interrupted)"))
        ->type_name("N")
        ->check(wholeNumber(1, INT32_MAX));
    addEnterpriseShape(*simulate);
    simulate->footer(
        "Each snapshot is written to a new file beside --out and renamed over it, so a reader sees\n"
        "the old snapshot or the new one, whole. CAPTURE holds the time it was written; waits grow\n"
        "by --every seconds from one to the next. SIGINT or SIGTERM stops it (exit status 0).");
}

} // namespace

void addHistoryCommands(CLI::App& app) {
    addRecord(app);
    addHistory(app);
    addDiff(app);
    addSimulate(app);
}

void addTimelineOptions(CLI::App& generate) {
    single(generate.add_option("--timeline")->description("Write N snapshots of an enterprise that changes, into "
                                                          "--out-dir"))
        ->type_name("N in 2..10000")
        ->check(wholeNumber(scenarios::minTimelineSnapshots, scenarios::maxTimelineSnapshots));
    single(generate.add_option("--step")->description("Seconds from one snapshot of the timeline to the next "
                                                      "(default 60)"))
        ->type_name("SECONDS")
        ->check(wholeNumber(1, scenarios::maxTimelineStepSeconds));
    single(generate.add_option("--out-dir")->description("The folder of the timeline's files (created when new)"))
        ->type_name("DIR")
        ->check(check(fileName));
    single(generate.add_option("--start")->description("The CAPTURE time of the timeline's first snapshot "
                                                       "(default 2026-12-10T08:00:00Z)"))
        ->type_name("TIME")
        ->check(check(utcTime));
}

void addPastOptions(CLI::App& command) {
    historyFile(command, "Answer from this history instead of a snapshot (with --at)");
    single(command.add_option("--at")->description("With --history: the sample taken at or before TIME"))
        ->type_name("TIME")
        ->check(check(time));
}

} // namespace cli
