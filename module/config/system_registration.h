// System registration: places the System of the MXCFSYS row just fetched
// into the Enqplex table and enforces the rules of a usable configuration.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;
class SystemsByName;

// 0: registered (or passed over); 1: configuration error, already reported.
// `registered`, when given, holds the table's Systems by name and is kept
// up to date with the System the row adds; without it the table is walked.
int32_t DoMxcfsysRow(workA* w, SystemsByName* registered = nullptr);

} // namespace zrx
