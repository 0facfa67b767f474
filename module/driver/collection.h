// The collection phases of a session's first request call.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;
class Trace;

// 0: everything collected and the next-row position at the first row;
// otherwise the status the request entry returns at once (64 or 71). The
// collection is part of the request entry and traces with its trace point.
int32_t collect(workA* w, Trace& t);

} // namespace zrx
