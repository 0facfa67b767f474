// query and tree with --history FILE --at TIME: the answer the view gave in
// the sample taken at or before TIME, written as the live command writes
// it, with the sample's time on standard error (table, CSV, text, DOT) or
// as a field of the JSON object.
#pragma once

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/json_text.h"
#include "cli/row_formats.h"
#include "cli/view_runner.h"
#include "core/session.h"
#include "history/reader.h"

namespace cli {

class CommandContext;

// The sample an answer comes from.
struct QueryPast {
    history::SampleInfo sample;
    std::string failure; // what went wrong, as it was said when the sample was taken
};

// "sample of 2026-12-10T08:15:00Z (CAPTURE time of demo.db)".
std::string pastLine(const QueryPast& past);
// {"taken_at": ..., "time_source": ..., "snapshot": ..., key: value}, with
// "status" and "error" before `key` when the sample's view failed.
Json pastJson(const QueryPast& past, Json value, const char* key = "rows");

// What query hands the view for its predicates (`filtered`: with --where).
std::vector<host::Predicate> predicatesForTheView(const std::vector<host::Predicate>& predicates, bool filtered);

// The end of query, live or past: the rows that meet the predicates (with
// --where), what the view wrote and passed over, the summary line (with the
// time the value check took, when `context` checked a live snapshot), the
// failure; the exit status.
int writeQueryResult(ViewResult& result, const std::vector<host::Predicate>& predicates, bool filtered,
                     RowFormat format, const QueryPast* past, const CommandContext* context);

// tree --history FILE --at TIME.
int pastTreeCommand(const Arguments& args);

int pastQueryCommand(const Arguments& args, const std::vector<host::Predicate>& predicates, bool filtered,
                     RowFormat format);

// Checks --history and --at, opens the history and reads the sample; false
// with the message written and `status` set.
bool pastSample(const Arguments& args, std::unique_ptr<history::Reader>& reader, history::SampleInfo& info,
                history::Sample& sample, int& status);

} // namespace cli
