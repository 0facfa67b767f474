// From report rows to the resources of a picture, and from a resource's
// single-resource rows to its owners and waiters.
#pragma once

#include <string>
#include <vector>

#include "core/session.h"
#include "picture/picture.h"

namespace picture {

// The Enqplex an ENQPLEX predicate value asks for: its characters before
// the first blank or NUL, at most 8. Empty when it asks for none.
std::string enqplexOfPredicate(const std::string& value);

// The resource of a report row, names trimmed; no request, no tasks yet.
Resource resourceOf(const zrx::MentrenqRow& row, std::size_t place);

// The predicates that ask for the resource's owners and waiters; false,
// with the reason in `unavailable`, when no request can carry its names.
bool detailPredicates(Resource& resource, std::vector<host::Predicate>& predicates);

// Takes the request's outcome and rows, and reads from them the tasks of the
// resource of `summary`, its report row.
void takeDetail(Resource& resource, const zrx::MentrenqRow& summary, ViewRun run);

// Resources grouped by Enqplex, each group longest wait first.
std::vector<EnqplexResources> treeOrder(const std::vector<Resource>& resources);

} // namespace picture
