// The rules every MENTRENQ row of a query follows, whatever the host
// delivered: checked on the rows of runs whose input was damaged.
#pragma once

#include <string>
#include <vector>

#include "zrx/mentrenq_row.h"

namespace reliability {

// Violations of the rules, one text each; empty when the rows follow them.
// Every row: a known Enqplex, the byte never written still zero, the true
// owner mark consistent with the task's role. Detail mode (one row per
// task): each resource's rows are as many as its owner and waiter counts,
// the owners as many as its owner count, its longest wait the longest of
// its tasks'. Summary mode: at least one task per resource.
std::vector<std::string> ruleViolations(const std::vector<zrx::MentrenqRow>& rows, bool detailMode,
                                        const std::vector<std::string>& enqplexes);

} // namespace reliability
