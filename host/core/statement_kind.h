// What a statement reads: the plan records it, so that whatever watches the
// host's results (an Interceptor) can tell the module's statements apart.
#pragma once

#include "sql/query.h"

namespace host {

enum class StatementKind { PlexHubs, ThruNodes, Members, Summary, Detail, Other };

// From a statement the host has read already, without reading it again.
StatementKind classifyStatement(const sql::Query& query);

// From the table a statement reads first, and whether it compares substrings.
StatementKind statementKindOf(std::string_view table, bool comparesSubstrings);

} // namespace host
