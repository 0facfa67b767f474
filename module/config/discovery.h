// Configuration discovery: fills the Enqplex table from the hub's node
// status table and every PlexHub's MXCFSYS table.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;

// 0: the table is complete and no request is left prepared; 1: the view is
// to be abandoned (already reported).
int32_t FigConfig(workA* w);

int32_t fetchInodeRow(workA* w);
int32_t fetchPxsmRow(workA* w);
void logRowPxsmRow(workA* w);

} // namespace zrx
