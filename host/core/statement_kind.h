// Tells the module's statements apart by the table they read.
#pragma once

#include <string_view>

#include "core/fault_plan.h"
#include "sql/query.h"

namespace host {

// From the statement's tokens, as a log or a test reads a text.
StatementKind classifyStatement(std::string_view text);

// From a statement the host has read already, without reading it again.
StatementKind classifyStatement(const sql::Query& query);

} // namespace host
