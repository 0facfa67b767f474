// The contention row fetchers: MGLBLENQ summary rows and ENQSTUFF detail
// rows, both into the work area's input row.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;

int32_t fetchMglblenq(workA* w);
int32_t fetchEnqStuff(workA* w);

// Writes the row last fetched for `table` to the trace, whatever the level.
void logRow(const char* table, workA* w);

// A character dump of `length` bytes, whatever the trace level.
void dumpmemc(const void* bytes, int32_t length);

} // namespace zrx
