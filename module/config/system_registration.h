// System registration: places the System of the MXCFSYS row just fetched
// into the Enqplex table and enforces the rules of a usable configuration.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;

// 0: registered (or passed over); 1: configuration error, already reported.
int32_t DoMxcfsysRow(workA* w);

} // namespace zrx
