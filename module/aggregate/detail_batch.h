// Phase II detail queries: the resources one System is asked about, batched
// into ENQ_RESRC/ENQ_TASKS statements of at most 4096 characters.
#pragma once

#include <cstdint>

#include "records/output_rows.h"

namespace zrx {

struct workA;

inline constexpr int32_t detailStatementLimit = 4096;

// Starts a statement for System `system` of Enqplex `enqplex`.
int32_t DQSQLI(workA* w, int32_t enqplex, int32_t system);

// Adds the resource of `r` to the System's statement, running the statement
// first when the resource does not fit; with a null `r`, runs what is
// pending and empties the buffer.
int32_t DQSQLW(workA* w, int32_t enqplex, int32_t system, SORow* r);

// Runs the statement in the SQL text buffer and merges its rows.
int32_t DQSQLX(workA* w);

} // namespace zrx
