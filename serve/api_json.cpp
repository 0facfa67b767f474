#include "serve/api_json.h"

#include <algorithm>
#include <sstream>

#include "cli/json_text.h"
#include "cli/message_text.h"
#include "cli/row_formats.h"
#include "sql/utc_time.h"

namespace serve {

namespace {

using cli::Json;
using cli::jsonText;

Json timeOrNull(const std::optional<int64_t>& ms) { return ms ? Json(isoTime(*ms)) : Json(nullptr); }

Json snapshotPart(const std::string& source, int64_t readMs, const std::optional<int64_t>& capturedMs,
                  const std::optional<int64_t>& modifiedMs) {
    const int64_t time = capturedMs ? *capturedMs : modifiedMs ? *modifiedMs : readMs;
    return {{"source", jsonText(source)},
            {"time", isoTime(time)},
            {"time_source", capturedMs ? "capture" : modifiedMs ? "file" : "read"},
            {"captured_at", timeOrNull(capturedMs)},
            {"modified_at", timeOrNull(modifiedMs)},
            {"read_at", isoTime(readMs)}};
}

Json viewPart(int32_t status, const std::string& statusText, double seconds, const std::vector<std::string>& notSeen) {
    Json unseen = Json::array();
    for (const auto& statement : notSeen) unseen.push_back(jsonText(statement));
    return {{"status", status == 0 ? Json(nullptr) : Json(status)},
            {"ended_normally", status == zrx::entry::noMoreRows},
            {"reason", jsonText(statusText)},
            {"duration_seconds", seconds},
            {"not_seen", unseen}};
}

// The document with `name` holding `json`, a JSON text written by another
// writer, as its last member.
std::string withMember(const Json& head, const std::string& name, std::string json) {
    std::string text = cli::dumpJson(head);
    text.resize(text.rfind('}'));
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    while (!json.empty() && json.back() == '\n') json.pop_back();
    std::string indented;
    indented.reserve(json.size() + json.size() / 8);
    for (char c : json) {
        indented += c;
        if (c == '\n') indented += "  ";
    }
    return text + ",\n  \"" + name + "\": " + indented + "\n}\n";
}

} // namespace

QueryAnswer reportAnswer(const Reading& reading) {
    QueryAnswer answer;
    answer.stamp = reading.stamp;
    answer.readMs = reading.readMs;
    answer.capturedMs = reading.capturedMs;
    answer.status = reading.status;
    answer.abandon = reading.abandon;
    answer.statusText = reading.statusText;
    answer.rows = reading.reportRows;
    answer.viewSeconds = reading.viewSeconds;
    answer.notSeen = reading.notSeen;
    return answer;
}

std::string contentionDocument(const QueryAnswer& answer, const std::string& source,
                               const std::vector<zrx::MentrenqRow>& rows) {
    std::optional<int64_t> modified;
    if (answer.stamp.database.exists) modified = answer.stamp.database.modifiedNs / 1000000;
    Json head = {{"version", apiVersion},
                 {"snapshot", snapshotPart(source, answer.readMs, answer.capturedMs, modified)},
                 {"view", viewPart(answer.status, answer.statusText, answer.viewSeconds, answer.notSeen)}};
    if (!answer.endedNormally()) head["error"] = jsonText(answer.statusText);
    std::ostringstream text;
    cli::writeRows(text, cli::RowFormat::Json, rows);
    return withMember(head, "rows", text.str());
}

std::string treeDocument(const Reading& reading, const std::string& enqplex) {
    Json head = {{"version", apiVersion},
                 {"snapshot", snapshotPart(reading.source, reading.readMs, reading.capturedMs, reading.modifiedMs)},
                 {"view", viewPart(reading.status, reading.statusText, reading.viewSeconds, reading.notSeen)}};
    head["view"]["complete"] = reading.complete();
    if (!reading.endedNormally()) head["error"] = jsonText(reading.statusText);
    std::string tree = reading.endedNormally() && enqplex.empty() ? reading.treeJson : "[]";
    for (const auto& [name, json] : reading.enqplexTreeJson)
        if (reading.endedNormally() && name == enqplex) tree = json;
    return withMember(head, "tree", tree);
}

std::string statusDocument(const Reading& reading) {
    Json head = {{"version", apiVersion},
                 {"snapshot", snapshotPart(reading.source, reading.readMs, reading.capturedMs, reading.modifiedMs)},
                 {"view", viewPart(reading.status, reading.statusText, reading.viewSeconds, reading.notSeen)}};
    head["view"]["complete"] = reading.complete();
    if (!reading.endedNormally()) head["error"] = jsonText(reading.statusText);
    Json enqplexes = Json::array();
    for (const auto& e : reading.configuration.enqplexes) {
        int64_t resources = 0, longest = 0, incomplete = 0;
        for (const auto& r : reading.resources) {
            if (r.enqplex != e.name) continue;
            ++resources;
            longest = std::max<int64_t>(longest, r.maxwaittm);
            if (!r.unavailable.empty()) ++incomplete;
        }
        Json systems = Json::array();
        for (const auto& s : e.systems) {
            int64_t waiting = 0, owning = 0;
            for (const auto& r : reading.resources) {
                if (r.enqplex != e.name) continue;
                waiting += std::count_if(r.waiters.begin(), r.waiters.end(),
                                         [&](const ServedTask& t) { return t.sysname == s.name; });
                owning += std::count_if(r.owners.begin(), r.owners.end(),
                                        [&](const ServedTask& t) { return t.sysname == s.name; });
            }
            systems.push_back({{"name", jsonText(s.name)},
                               {"sysplex", jsonText(s.sysplex)},
                               {"status", jsonText(s.status)},
                               {"waiting_tasks", waiting},
                               {"owning_tasks", owning}});
        }
        enqplexes.push_back({{"name", jsonText(e.name)},
                             {"contended_resources", resources},
                             {"longest_wait_seconds", longest},
                             {"incomplete_resources", incomplete},
                             {"systems", std::move(systems)}});
    }
    head["enqplexes"] = std::move(enqplexes);
    return cli::dumpJson(head);
}

namespace {

// The head of a document from the history: the snapshot as the sample names
// it, the sample, and how the view had ended.
Json pastHead(const PastAnswer& answer) {
    using host::sql::formatUtcTime;
    const history::SampleInfo& s = answer.sample;
    const std::string taken = formatUtcTime(s.takenMs);
    Json head = {{"version", apiVersion},
                 {"snapshot",
                  {{"source", jsonText(s.snapshot)},
                   {"time", taken},
                   {"time_source", s.captured ? "capture" : "read"},
                   {"captured_at", s.captured ? Json(taken) : Json(nullptr)},
                   {"modified_at", nullptr},
                   {"read_at", s.captured ? Json(nullptr) : Json(taken)}}},
                 {"history",
                  {{"source", jsonText(answer.historyFile)}, {"at", formatUtcTime(answer.atMs)}, {"sample_time", taken}}},
                 {"view", viewPart(answer.status.value_or(0), answer.statusText, s.viewMs / 1000.0,
                                   answer.notSeen.value_or(std::vector<std::string>{}))}};
    // Not known: a history that did not keep it, or a question of one
    // Enqplex or resource.
    if (!answer.notSeen) head["view"]["not_seen"] = nullptr;
    if (httpStatusForView(answer.status, answer.abandon) != 200) head["error"] = jsonText(answer.statusText);
    return head;
}

} // namespace

int httpStatusForView(std::optional<int32_t> status, zrx::Abandon abandon) {
    if (status == zrx::entry::noMoreRows) return 200;
    if (status == zrx::entry::viewAbandoned && abandon == zrx::Abandon::InvalidIndices) return 400;
    return 503;
}

std::string pastContentionDocument(const PastAnswer& answer, const std::vector<zrx::MentrenqRow>& rows) {
    std::ostringstream text;
    cli::writeRows(text, cli::RowFormat::Json, rows);
    return withMember(pastHead(answer), "rows", text.str());
}

std::string pastTreeDocument(const PastAnswer& answer, const std::string& tree) {
    Json head = pastHead(answer);
    head["view"]["complete"] = answer.complete && answer.status == zrx::entry::noMoreRows;
    return withMember(head, "tree", tree);
}

std::string errorDocument(int httpStatus, const std::string& message) {
    const Json document = {{"version", apiVersion}, {"status", httpStatus}, {"error", cli::printableMessage(message)}};
    return document.dump() + "\n";
}

} // namespace serve
