// The view's answer to a query, given from a sample of a history instead
// of a snapshot: the report, or one resource's rows, exactly as the view
// handed them out when the sample was taken. The index predicates are read
// as the view reads them, so that a query the view would refuse is refused
// the same way (status 71); a query the stored rows cannot answer is
// refused with one line.
#pragma once

#include <string>
#include <vector>

#include "cli/view_runner.h"
#include "core/session.h"
#include "history/sample.h"

namespace cli {

enum class PastOutcome {
    Answered, // `result` holds what the view answered; `message` what went wrong, when it ended otherwise
    Refused,  // the stored rows cannot answer; `message` says why
};

PastOutcome answerFromSample(const history::Sample& sample, const std::vector<host::Predicate>& predicates,
                             ViewResult& result, std::string& message);

// The predicates ask for the report of every Enqplex: the question whose
// answer what the sample passed over (counted over every Enqplex) is said of.
bool asksForTheWholeReport(const std::vector<host::Predicate>& predicates);

} // namespace cli
