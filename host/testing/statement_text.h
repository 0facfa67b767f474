// Tells the module's statements apart from their texts, as a log or a test
// reads them.
#pragma once

#include <string_view>

#include "core/statement_kind.h"

namespace host {

// From the statement's tokens: the first table after FROM, and SUBSTR.
StatementKind classifyStatement(std::string_view text);

std::string_view statementKindName(StatementKind kind);

} // namespace host
