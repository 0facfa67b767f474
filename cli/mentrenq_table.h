// MENTRENQ as an SQLite virtual table: "=" constraints on MAJORNAME,
// MINORNAME, ENQPLEX and REPORT become the module's index predicates, other
// comparisons on them are passed with their operator codes, and everything
// else of the statement is SQLite's. A view status other than 62 surfaces as
// an SQL error that names it.
#pragma once

#include <sqlite3.h>

#include "cli/view_runner.h"

namespace cli {

// Registers the eponymous table MENTRENQ on `db`; `runner` must outlive it.
bool registerMentrenqTable(sqlite3* db, ViewRunner& runner);

} // namespace cli
