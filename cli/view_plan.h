// Which predicates the view takes. The view reads index predicates in its
// own way (columns matched exactly, values cut at a blank or the column's
// width, the last of each column kept) and takes only a report or one
// resource; a condition on any other column it reports and ignores.
#pragma once

#include <vector>

#include "core/session.h"

namespace cli {

// Whether the view ends these predicates' reading with a report or one
// resource, rather than abandoning the view (status 71).
bool viewTakes(const std::vector<host::Predicate>& predicates);

// Predicates the view takes whose rows hold every row that `conditions` can
// keep: the first "=" on each of MAJORNAME, MINORNAME and ENQPLEX, in the
// order given, when there is one on each and the view takes them;
// otherwise the report.
std::vector<host::Predicate> viewPlan(const std::vector<host::Predicate>& conditions);

} // namespace cli
