// history: the episodes of contention a history holds, longest blocking
// first, or the holders ranked by the blocking of their episodes.
#include <iostream>

#include "cli/aligned_table.h"
#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/episode_json.h"
#include "cli/past_samples.h"
#include "cli/row_formats.h"
#include "cli/standard_output.h"
#include "history/reader.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& n : names) text += (text.empty() ? "" : " ") + n;
    return text;
}

const std::vector<std::string> episodeColumns = {"ENQPLEX",     "MAJORNAME",  "MINORNAME", "FIRST_SEEN",
                                                 "LAST_SEEN",   "SAMPLES",    "MAX_WAITERS", "MAX_WAIT",
                                                 "HOLDERS",     "BLOCKED_SECONDS"};
const std::vector<std::string> holderColumns = {"HOLDER", "EPISODES", "BLOCKED_SECONDS"};

std::vector<std::string> cellsOf(const history::Episode& e) {
    using host::sql::formatUtcTime;
    return {e.enqplex,
            e.major,
            e.minor,
            formatUtcTime(e.firstSeenMs),
            formatUtcTime(e.lastSeenMs),
            std::to_string(e.samples),
            std::to_string(e.maxWaiters),
            std::to_string(e.maxWait),
            joined(e.holders),
            history::secondsText(e.blockedMs)};
}

void writeTable(RowFormat format, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& numeric) {
    if (format == RowFormat::Table) {
        writeAlignedTable(std::cout, header, rows, numeric);
        return;
    }
    for (size_t c = 0; c < header.size(); ++c) std::cout << (c ? "," : "") << header[c];
    std::cout << "\r\n";
    for (const auto& row : rows) {
        for (size_t c = 0; c < row.size(); ++c) std::cout << (c ? "," : "") << csvField(row[c]);
        std::cout << "\r\n";
    }
}

} // namespace

int historyCommand(const Arguments& args) {
    RowFormat format = RowFormat::Table;
    parseRowFormat(args.value("--format", "table"), format);
    std::string error;
    int status = exitcode::ok;
    auto reader = openHistoryToRead(args.value("--history"), status);
    if (!reader) return status;
    std::optional<history::SampleInfo> first, last;
    if (!reader->first(first, error) || !reader->last(last, error)) {
        reportError(args.value("--history") + ": " + error);
        return exitcode::viewStatus;
    }
    history::Window window;
    window.openOnly = args.has("--open");
    std::optional<int64_t> lastMs;
    if (last) lastMs = last->takenMs;
    for (const auto& [option, bound] : {std::pair{"--since", &window.sinceMs}, std::pair{"--until", &window.untilMs}}) {
        if (!args.has(option)) continue;
        int64_t ms = 0;
        if (!history::resolveTime(args.value(option), lastMs, ms, error)) {
            reportError(std::string(option) + ": " + error);
            return exitcode::usage;
        }
        *bound = ms;
    }

    size_t shown = 0;
    if (args.has("--roots")) {
        std::vector<history::HolderTotal> holders;
        if (!reader->holderTotals(window, holders, error)) {
            reportError(args.value("--history") + ": " + error);
            return exitcode::viewStatus;
        }
        shown = holders.size();
        if (format == RowFormat::Json) {
            std::cout << dumpJson(holderTotalsJson(holders));
        } else {
            std::vector<std::vector<std::string>> rows;
            for (const auto& h : holders)
                rows.push_back({h.holder, std::to_string(h.episodes), history::secondsText(h.blockedMs)});
            writeTable(format, holderColumns, rows, {false, true, true});
        }
    } else {
        std::vector<history::Episode> episodes;
        if (!reader->episodes(window, episodes, error)) {
            reportError(args.value("--history") + ": " + error);
            return exitcode::viewStatus;
        }
        shown = episodes.size();
        if (format == RowFormat::Json) {
            std::cout << dumpJson(episodesJson(episodes));
        } else {
            std::vector<std::vector<std::string>> rows;
            for (const auto& e : episodes) rows.push_back(cellsOf(e));
            writeTable(format, episodeColumns, rows,
                       {false, false, false, false, false, true, true, true, false, true});
        }
    }
    flushStandardOutput();
    if (format == RowFormat::Table) {
        int64_t samples = 0;
        reader->sampleCount(samples, error);
        std::cerr << shown << (args.has("--roots") ? (shown == 1 ? " holder" : " holders")
                                                   : (shown == 1 ? " episode" : " episodes"));
        if (first && last)
            std::cerr << "; " << samples << (samples == 1 ? " sample" : " samples") << " from "
                      << host::sql::formatUtcTime(first->takenMs) << " to " << host::sql::formatUtcTime(last->takenMs);
        else
            std::cerr << "; the history holds no sample yet";
        std::cerr << '\n';
    }
    return exitcode::ok;
}

} // namespace cli
