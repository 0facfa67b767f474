// The merge of one fetched row into the current Enqplex's summary and detail
// rows.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;

// 0: merged, or dropped as redundant; 1: a needed row could not be created.
int32_t ProcessInput(workA* w);

} // namespace zrx
