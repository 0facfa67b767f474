// The rules every query follows, whatever the host delivered: checked by
// the reliability tests and the fuzz targets on runs whose input was
// damaged. The statuses each entry may return are zrx::entry's.
#pragma once

#include <string>
#include <vector>

#include "sql/tokenizer.h"
#include "zrx/mentrenq_row.h"

namespace reliability {

// Violations of the rules, one text each; empty when the rows follow them.
// Every row: a known Enqplex, the byte never written still zero, the true
// owner mark consistent with the task's role. Detail mode (one row per
// task): each resource's rows are as many as its owner and waiter counts,
// the owners as many as its owner count, its longest wait the longest of
// its tasks'. Summary mode: at least one task per resource.
// Exactly one statement: `text` tokenizes into `tokens`, and a ";" is at
// most its last token. Empty when it is; else why not.
std::string notOneStatement(const std::string& text, std::vector<host::sql::Token>& tokens);

std::vector<std::string> ruleViolations(const std::vector<zrx::MentrenqRow>& rows, bool detailMode,
                                        const std::vector<std::string>& enqplexes);

} // namespace reliability
