// Index predicates from the command line, in command-line order.
#pragma once

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "core/session.h"

namespace cli {

// Parses "COLUMN OP VALUE" with OP one of = <> >= <= < >.
// COLUMN is a MENTRENQ column in any case and comes back in upper case.
// VALUE is everything after the one blank that follows OP, or a text in
// single or double quotes (a doubled quote stands for one). An ASID may be
// written in hexadecimal as X'0052', as the tree shows it.
bool parseWhere(const std::string& text, host::Predicate& out, std::string& error);

// --report, --major, --minor, --enqplex and --where, in the order given.
bool predicatesFrom(const Arguments& args, std::vector<host::Predicate>& out, std::string& error);

// The operator as SQL writes it ("=", "<>", ...); null for codes that are
// no comparison.
const char* sqlOperator(zrx::IndexOp op);

} // namespace cli
