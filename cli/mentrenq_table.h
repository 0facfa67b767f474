// MENTRENQ as an SQLite virtual table. The view gets a valid combination of
// index predicates: one resource when MAJORNAME, MINORNAME and ENQPLEX are
// all constrained with "=", otherwise the report; SQLite checks every
// condition of the statement again, so any WHERE clause answers. A view
// status other than 62 surfaces as an SQL error that names it.
#pragma once

#include <sqlite3.h>

#include "cli/view_runner.h"

namespace cli {

// Registers the eponymous table MENTRENQ on `db` and connects it; `runner`
// must outlive it.
bool registerMentrenqTable(sqlite3* db, ViewRunner& runner);

} // namespace cli
