// The parameters of a request's query string in the order they were given:
// the view reads its predicates in order, as the command reads its options.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/arguments.h"
#include "core/session.h"

namespace serve {

using Parameters = std::vector<std::pair<std::string, std::string>>;

// `target` is the request's path and query ("/api/v1/tree?enqplex=X");
// names and values are URL-decoded, '+' standing for a blank.
Parameters parametersOf(const std::string& target);

// False, with a message, when a parameter is not one of `allowed` or one
// that takes a single value is given twice.
bool onlyKnownParameters(const Parameters& parameters, const std::vector<std::string>& allowed,
                         const std::vector<std::string>& single, std::string& error);

// A query as `mentrenq query` takes it: report, major, minor, enqplex and
// where (repeatable), checked as the command checks its options. Without a
// predicate on REPORT, MAJORNAME, MINORNAME or ENQPLEX, the query is the
// report.
struct ContentionQuery {
    std::vector<host::Predicate> predicates;     // as given
    bool filtered = false;                       // a `where`: SQLite checks every predicate on the rows
    std::vector<host::Predicate> viewPredicates; // what the view is asked
    bool report = false;                         // the view is asked for the report alone
};
bool contentionQuery(const Parameters& parameters, ContentionQuery& out, std::string& error);

} // namespace serve
