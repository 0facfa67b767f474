// Statuses the reference data server returns from its operations.
#pragma once

#include <cstdint>

namespace host {

namespace status {
inline constexpr int32_t ok = 0;
inline constexpr int32_t badHandle = 2;      // the object is not what the handle says
inline constexpr int32_t badArgument = 3;    // a null, out-of-range or foreign argument
inline constexpr int32_t wrongState = 5;     // e.g. a fetch on a request that is not open
inline constexpr int32_t sqlRefused = 6;     // the statement cannot be planned
inline constexpr int32_t queryFailed = 7;    // the statement failed while running
inline constexpr int32_t noStorage = 9;      // the session's storage budget is spent
inline constexpr int32_t unknownItem = 10;   // an unknown request item code
inline constexpr int32_t noMoreItems = 100;  // item 19: no further predicate
inline constexpr int32_t endOfData = 514;
} // namespace status

// A short description of a host status, for logs and messages.
const char* describeHostStatus(int32_t status);

} // namespace host
