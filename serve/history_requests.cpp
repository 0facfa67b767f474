#include "serve/history_requests.h"

#include <sstream>

#include "cli/arguments.h"
#include "cli/columns.h"
#include "cli/contention_tree.h"
#include "cli/enqplex_names.h"
#include "cli/episode_json.h"
#include "cli/json_text.h"
#include "cli/message_text.h"
#include "cli/past_view.h"
#include "cli/row_filter.h"
#include "history/picture_sample.h"
#include "serve/api_json.h"
#include "serve/timeline.h"
#include "sql/utc_time.h"

namespace serve {

namespace {

using cli::Json;
using host::sql::formatUtcTime;

HttpAnswer refused(int status, const std::string& message) { return {status, errorDocument(status, message)}; }

// A history as one request reads it: one reader, so that everything the
// answer says comes from the same samples.
struct OpenHistory {
    std::unique_ptr<history::Reader> reader;
    std::optional<history::SampleInfo> first, last;
    int64_t samples = 0;
};

bool openHistory(const HistorySource& source, OpenHistory& out, HttpAnswer& refusal) {
    std::string error;
    out.reader = source.open(error);
    if (!out.reader) {
        refusal = refused(503, error);
        return false;
    }
    if (!out.reader->first(out.first, error) || !out.reader->last(out.last, error) ||
        !out.reader->sampleCount(out.samples, error)) {
        refusal = refused(503, "cannot read the history " + source.path() + ": " + error);
        return false;
    }
    return true;
}

Json timeOrNull(const std::optional<int64_t>& ms) { return ms ? Json(formatUtcTime(*ms)) : Json(nullptr); }

Json historyPart(const HistorySource& source, const OpenHistory& h) {
    return {{"source", cli::jsonText(source.path())},
            {"samples", h.samples},
            {"first_sample", h.first ? Json(formatUtcTime(h.first->takenMs)) : Json(nullptr)},
            {"last_sample", h.last ? Json(formatUtcTime(h.last->takenMs)) : Json(nullptr)}};
}

const std::string* valueOf(const Parameters& parameters, const std::string& name) {
    for (const auto& [n, value] : parameters)
        if (n == name) return &value;
    return nullptr;
}

// A time parameter as the commands take --since, --until and --at: an
// ISO-8601 UTC time, or a duration back from the last sample. In a history
// without samples a duration bounds nothing (`out` stays empty).
bool timeParameter(const Parameters& parameters, const std::string& name, const OpenHistory& h,
                   std::optional<int64_t>& out, HttpAnswer& refusal) {
    const std::string* text = valueOf(parameters, name);
    if (!text) return true;
    int64_t ms = 0;
    if (!h.last && !host::sql::parseUtcTime(*text) && history::parseDuration(*text, ms)) return true;
    std::string error;
    if (text->empty()) error = "it needs an ISO-8601 UTC time (2026-12-10T08:15:00Z) or a duration back from the "
                               "last sample (30s, 10m, 2h, 7d)";
    else if (!history::resolveTime(*text, h.last ? std::optional<int64_t>(h.last->takenMs) : std::nullopt, ms, error))
        error = cli::printableMessage(error);
    if (!error.empty()) {
        refusal = refused(400, "parameter " + name + ": " + error);
        return false;
    }
    out = ms;
    return true;
}

// `since` (required) and `until` (default: the last sample).
bool windowParameters(const Parameters& parameters, const OpenHistory& h, history::Window& window,
                      HttpAnswer& refusal) {
    if (!valueOf(parameters, "since")) {
        refusal = refused(400, "parameter since is required: an ISO-8601 UTC time (2026-12-10T08:15:00Z) or a "
                               "duration back from the last sample (30s, 10m, 2h, 7d)");
        return false;
    }
    if (!timeParameter(parameters, "since", h, window.sinceMs, refusal) ||
        !timeParameter(parameters, "until", h, window.untilMs, refusal))
        return false;
    if (window.sinceMs && window.untilMs && *window.sinceMs > *window.untilMs) {
        refusal = refused(400, "the window ends (until " + formatUtcTime(*window.untilMs) + ") before it begins (since " +
                                   formatUtcTime(*window.sinceMs) + ")");
        return false;
    }
    return true;
}

// A parameter without a value, or yes.
bool flagParameter(const Parameters& parameters, const std::string& name, bool& on, HttpAnswer& refusal) {
    const std::string* value = valueOf(parameters, name);
    on = value != nullptr;
    if (!value || value->empty() || *value == "yes" || *value == "1" || *value == "true") return true;
    refusal = refused(400, "parameter " + name + " takes no value, or yes");
    return false;
}

// The sample in force at `at`, read whole.
bool pastSample(const HistorySource& source, const std::string& at, PastAnswer& past, history::Sample& sample,
                HttpAnswer& refusal) {
    OpenHistory h;
    if (!openHistory(source, h, refusal)) return false;
    std::optional<int64_t> atMs;
    if (!timeParameter({{"at", at}}, "at", h, atMs, refusal)) return false;
    if (!h.last) {
        refusal = refused(404, "the history " + source.path() + " holds no sample yet");
        return false;
    }
    std::optional<history::SampleInfo> found;
    std::string error;
    if (!h.reader->at(*atMs, found, error)) {
        refusal = refused(503, "cannot read the history " + source.path() + ": " + error);
        return false;
    }
    if (!found) {
        refusal = refused(404, "the history holds no sample taken at or before " + formatUtcTime(*atMs) +
                                   "; its first sample is of " + formatUtcTime(h.first->takenMs));
        return false;
    }
    if (!h.reader->content(*found, sample, error)) {
        refusal = refused(503, "cannot read the history " + source.path() + ": " + error);
        return false;
    }
    past.historyFile = source.path();
    past.atMs = *atMs;
    past.sample = *found;
    return true;
}

} // namespace

std::string noHistoryMessage() { return "this server has no history: start it with --history FILE"; }

HttpAnswer episodesAnswer(const HistorySource& source, const Parameters& parameters) {
    HttpAnswer refusal;
    std::string error;
    bool roots = false;
    history::Window window;
    if (!onlyKnownParameters(parameters, {"since", "until", "open", "roots"}, {"since", "until", "open", "roots"},
                             error))
        return refused(400, error);
    OpenHistory h;
    if (!flagParameter(parameters, "open", window.openOnly, refusal) || !flagParameter(parameters, "roots", roots, refusal) ||
        !openHistory(source, h, refusal) || !windowParameters(parameters, h, window, refusal))
        return refusal;
    Json document = {{"version", apiVersion},
                     {"history", historyPart(source, h)},
                     {"window",
                      {{"since", timeOrNull(window.sinceMs)}, {"until", timeOrNull(window.untilMs)}, {"open", window.openOnly}}}};
    if (roots) {
        std::vector<history::HolderTotal> holders;
        if (h.last && !h.reader->holderTotals(window, holders, error))
            return refused(503, "cannot read the history " + source.path() + ": " + error);
        document["holders"] = cli::holderTotalsJson(holders);
    } else {
        std::vector<history::Episode> episodes;
        if (h.last && !h.reader->episodes(window, episodes, error))
            return refused(503, "cannot read the history " + source.path() + ": " + error);
        document["episodes"] = cli::episodesJson(episodes);
    }
    return {200, cli::dumpJson(document)};
}

HttpAnswer timelineAnswer(const HistorySource& source, const Parameters& parameters) {
    HttpAnswer refusal;
    std::string error;
    if (!onlyKnownParameters(parameters, {"since", "until", "points"}, {"since", "until", "points"}, error))
        return refused(400, error);
    long long points = static_cast<long long>(defaultTimelinePoints);
    if (const std::string* text = valueOf(parameters, "points");
        text && !cli::parseNumber(*text, 1, static_cast<long long>(maxTimelinePoints), points))
        return refused(400, "parameter points: a whole number from 1 to " + std::to_string(maxTimelinePoints) +
                                ", not " + cli::quotedText(*text));
    OpenHistory h;
    history::Window window;
    if (!openHistory(source, h, refusal) || !windowParameters(parameters, h, window, refusal)) return refusal;
    Json document = {{"version", apiVersion}, {"history", historyPart(source, h)}};
    if (!h.last) {
        document["window"] = {{"since", nullptr}, {"until", nullptr}};
        document["span_seconds"] = nullptr;
        document["samples"] = 0;
        document["downsampled"] = false;
        document["points"] = Json::array();
        return {200, cli::dumpJson(document)};
    }
    const int64_t since = window.sinceMs.value_or(h.first->takenMs);
    const int64_t until = window.untilMs.value_or(h.last->takenMs);
    Timeline timeline(since, until, static_cast<std::size_t>(points));
    if (!h.reader->eachSample(since, until, [&](const history::SampleInfo& s) { timeline.add(s); }, error))
        return refused(503, "cannot read the history " + source.path() + ": " + error);
    Json out = Json::array();
    for (const TimelinePoint& p : timeline.points())
        out.push_back({{"time", formatUtcTime(p.timeMs)},
                       {"samples", p.samples},
                       {"failed", p.failed},
                       {"contended_resources", p.resources ? Json(*p.resources) : Json(nullptr)},
                       {"waiting_tasks", p.waitingTasks ? Json(*p.waitingTasks) : Json(nullptr)},
                       {"longest_wait_seconds", p.longestWait ? Json(*p.longestWait) : Json(nullptr)}});
    document["window"] = {{"since", formatUtcTime(since)}, {"until", formatUtcTime(until)}};
    document["span_seconds"] = cli::secondsJson(timeline.spanMs());
    document["samples"] = timeline.samples();
    document["downsampled"] = timeline.downsampled();
    document["points"] = std::move(out);
    return {200, cli::dumpJson(document)};
}

HttpAnswer pastContentionAnswer(const HistorySource& source, const std::string& at, const ContentionQuery& query) {
    PastAnswer past;
    history::Sample sample;
    HttpAnswer refusal;
    if (!pastSample(source, at, past, sample, refusal)) return refusal;
    std::string message;
    if (sample.status) {
        for (const auto& p : query.predicates)
            if (p.column == cli::viewColumnName(cli::enqplexColumn) && p.op == zrx::IndexOp::EQ &&
                !cli::enqplexAmong(sample.enqplexes, p.value, message))
                return refused(400, message);
    }
    cli::ViewResult result;
    if (cli::answerFromSample(sample, query.viewPredicates, result, message) == cli::PastOutcome::Refused) {
        // Not "no contention": the sample holds no answer to this.
        if (!sample.reportComplete()) {
            past.status = sample.status;
            past.abandon = sample.abandon;
        }
        past.statusText = "the history cannot answer that query: " + message;
        return {503, pastContentionDocument(past, {})};
    }
    past.status = result.status;
    past.abandon = result.abandonReason;
    past.statusText = message.empty() ? cli::describeResult(result) : message;
    if (sample.passedOverKept && cli::asksForTheWholeReport(query.viewPredicates))
        past.notSeen = result.trace.passedOver.statements();
    std::vector<zrx::MentrenqRow> rows = std::move(result.rows);
    if (query.filtered && !cli::keepRowsMeeting(rows, query.predicates, message)) return refused(503, message);
    return {httpStatusForView(past.status, past.abandon), pastContentionDocument(past, rows)};
}

HttpAnswer pastTreeAnswer(const HistorySource& source, const std::string& at, const std::string& enqplex) {
    PastAnswer past;
    history::Sample sample;
    HttpAnswer refusal;
    if (!pastSample(source, at, past, sample, refusal)) return refusal;
    if (!sample.status) {
        past.statusText = "the view did not run for the sample of " + formatUtcTime(sample.takenMs) + ": " + sample.reason;
        return {503, pastTreeDocument(past, "[]")};
    }
    std::string message;
    if (!enqplex.empty() && !cli::enqplexAmong(sample.enqplexes, enqplex, message)) return refused(400, message);
    const picture::Picture tree = history::pictureOf(sample, enqplex);
    past.status = tree.report.status;
    past.abandon = tree.report.abandonReason;
    past.statusText = tree.report.endedNormally() || sample.reason.empty() ? tree.report.description() : sample.reason;
    past.complete = tree.gaps().empty();
    if (sample.passedOverKept && enqplex.empty()) past.notSeen = tree.passedOver.statements();
    if (!tree.report.endedNormally()) return {httpStatusForView(past.status, past.abandon), pastTreeDocument(past, "[]")};
    std::ostringstream json;
    cli::writeTreeJson(json, tree);
    return {200, pastTreeDocument(past, json.str())};
}

} // namespace serve
