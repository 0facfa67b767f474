// Index predicates from the command line, in command-line order.
#pragma once

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "core/session.h"

namespace cli {

// Parses "COLUMN OP VALUE" with OP one of = <> >= <= < > (codes 1 to 6).
// COLUMN is a MENTRENQ column in any case and comes back in upper case.
// VALUE is everything after the one blank that follows OP, or a text in
// single or double quotes (a doubled quote stands for one).
bool parseWhere(const std::string& text, host::Predicate& out, std::string& error);

// --report, --major, --minor, --enqplex and --where, in the order given.
bool predicatesFrom(const Arguments& args, std::vector<host::Predicate>& out, std::string& error);

} // namespace cli
