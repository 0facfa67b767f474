// Parser of the dialect's statements:
//   SELECT column [, column]... FROM table [, table]... [AT ( "node" )]
//   [WHERE condition] [;]
// Conditions: comparisons (= <> < > <= >=), [NOT] LIKE, AND, OR, NOT,
// parentheses, SUBSTR(column, n[, m]) and SYSTEM.PARMA(...), which always
// holds. Names are resolved against the catalog; schema qualifiers Q7SRV and
// VELDA are dropped.
#pragma once

#include <string>
#include <vector>

#include "sql/statement.h"
#include "sql/tokenizer.h"

namespace host::sql {

// False, with a message naming the offending token and its offset, when the
// tokens are not one statement of the dialect over known tables and columns.
bool parseStatement(const std::vector<Token>& tokens, Statement& out, std::string& error);

} // namespace host::sql
