#include "cli/past_query.h"

#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/enqplex_names.h"
#include "cli/message_text.h"
#include "cli/past_samples.h"
#include "cli/past_view.h"
#include "sql/utc_time.h"

namespace cli {

std::string pastLine(const QueryPast& past) {
    return printableMessage("sample of " + host::sql::formatUtcTime(past.sample.takenMs) + " (" +
                         (past.sample.captured ? "capture time of " : "time it read ") + past.sample.snapshot + ")");
}

Json pastJson(const QueryPast& past, Json value, const char* key) {
    Json document{{"taken_at", host::sql::formatUtcTime(past.sample.takenMs)},
                  {"time_source", past.sample.captured ? "capture" : "read"},
                  {"snapshot", jsonText(past.sample.snapshot)}};
    if (!past.sample.reportComplete()) {
        document["status"] = past.sample.status ? Json(*past.sample.status) : Json(nullptr);
        document["error"] = jsonText(past.failure.empty() ? past.sample.reason : past.failure);
    }
    document[key] = std::move(value);
    return document;
}

bool pastSample(const Arguments& args, std::unique_ptr<history::Reader>& reader, history::SampleInfo& info,
                history::Sample& sample, int& status) {
    status = exitcode::usage;
    for (const char* live : {"--db", "--demo", "--trace", "--trace-file", "--module", "--storage-limit"})
        if (args.has(live) && args.has("--history")) {
            reportError(std::string("--history answers from the samples it holds; ") + live + " does not go with it");
            return false;
        }
    if (!args.has("--history") || !args.has("--at")) {
        reportError("--history FILE and --at TIME go together");
        return false;
    }
    const std::string path = args.value("--history");
    reader = openHistoryToRead(path, status);
    if (!reader || !sampleAt(*reader, path, args.value("--at"), info, status)) return false;
    std::string error;
    if (!reader->content(info, sample, error)) {
        reportError(path + ": " + error);
        status = exitcode::viewStatus;
        return false;
    }
    return true;
}

int pastQueryCommand(const Arguments& args, const std::vector<host::Predicate>& predicates, bool filtered,
                     RowFormat format) {
    std::unique_ptr<history::Reader> reader;
    QueryPast past;
    history::Sample sample;
    int status = exitcode::ok;
    if (!pastSample(args, reader, past.sample, sample, status)) return status;
    std::string message;
    for (const auto& [option, value] : args.options) {
        if (option == "--enqplex" && !enqplexAmong(sample.enqplexes, value, message)) {
            reportError(message);
            return exitcode::usage;
        }
    }
    ViewResult result;
    switch (answerFromSample(sample, predicatesForTheView(predicates, filtered), result, message)) {
    case PastOutcome::Refused:
        reportError("the history cannot answer that query: " + message);
        return exitcode::usage;
    case PastOutcome::Answered: break;
    }
    past.failure = message;
    return writeQueryResult(result, predicates, filtered, format, &past, nullptr);
}

} // namespace cli
