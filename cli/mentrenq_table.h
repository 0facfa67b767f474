// MENTRENQ as an SQLite virtual table. The view gets a valid combination of
// index predicates: one resource when MAJORNAME, MINORNAME and ENQPLEX are
// all constrained with "=", otherwise the report; SQLite checks every
// condition of the statement again, so any WHERE clause answers. A view
// status other than 62 surfaces as an SQL error that names it.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "cli/view_runner.h"

namespace cli {

// Creates the table MENTRENQ in the schema "temp" of `db`, where an
// unqualified name looks first: a table of the snapshot's own by that name
// stays reachable only as main.MENTRENQ. `runner` must outlive the table.
bool registerMentrenqTable(sqlite3* db, ViewRunner& runner);

// The snapshot's own tables and views whose name SQLite takes for
// MENTRENQ, as "table NAME" or "view NAME"; empty with `error` set when the
// schema cannot be read.
std::vector<std::string> tablesNamedLikeTheView(sqlite3* db, std::string& error);

} // namespace cli
