// The Enqplex table: preparing entries and dumping them to the trace.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;

// Prepares entry `i` for a newly met Enqplex (the caller stores its name).
void InitEnqplxsI(int32_t i, workA* w);

// The reset at the start of discovery, for all 8 entries.
void resetEnqplxs(workA* w);

// Writes entry `i` to the trace, whatever the trace level.
void logEnqplxs(workA* w, int32_t i);

// logEnqplxs for every entry, 0 to 7.
void logAllEnqplxs(workA* w);

} // namespace zrx
