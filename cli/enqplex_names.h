// The Enqplexes a snapshot knows, read as the view reads them from the
// ENQPLEX column of MXCFSYS, so that a mistyped Enqplex is named as such
// instead of answering "no contention".
#pragma once

#include <string>
#include <vector>

#include "sql/snapshot.h"

namespace cli {

// The Enqplex a System's ENQPLEX column names: the characters before the
// first '.', blank or NUL, at most 8; "*DEFAULT" when there are none. Empty
// for a name longer than 8 characters, which the view refuses.
std::string enqplexOfColumn(const std::string& column);

// The Enqplex an ENQPLEX predicate value asks for: its characters before
// the first blank or NUL, at most 8. Empty when it asks for none.
std::string enqplexOfPredicate(const std::string& value);

// Every Enqplex the snapshot's Systems name, in the order of first mention.
bool snapshotEnqplexes(host::sql::Snapshot& snapshot, std::vector<std::string>& out, std::string& error);

// False, with a line naming the snapshot's Enqplexes, when the predicate
// value asks for an Enqplex the snapshot does not have.
bool enqplexKnown(host::sql::Snapshot& snapshot, const std::string& value, std::string& message);
// The same, given the snapshot's Enqplexes.
bool enqplexAmong(const std::vector<std::string>& names, const std::string& value, std::string& message);

} // namespace cli
