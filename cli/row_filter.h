// The conditions of `query --where`, checked by SQLite as `sql` checks a
// WHERE clause on MENTRENQ: the rows become a table declared as MENTRENQ is,
// and each condition compares its column with its value bound as text, so
// that blanks, case and numbers written as text compare as they do there.
#pragma once

#include <string>
#include <vector>

#include "core/session.h"
#include "zrx/mentrenq_row.h"

namespace cli {

// False, with a message, when a condition cannot be checked: a column that
// MENTRENQ does not have, an operator that is no comparison, or a value of
// a numeric column that SQLite does not read as a number.
bool checkConditions(const std::vector<host::Predicate>& conditions, std::string& error);

// Removes the rows that do not meet every condition, keeping the order.
// False, with a message, when SQLite fails.
bool keepRowsMeeting(std::vector<zrx::MentrenqRow>& rows, const std::vector<host::Predicate>& conditions,
                     std::string& error);

} // namespace cli
