// Times as people and producers write them (ISO-8601 in UTC, such as
// 2026-12-10T08:15:00Z) and as programs count them (milliseconds since
// 1970-01-01T00:00:00Z). Snapshots say when they were captured this way,
// and the history of the view keeps and answers times this way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace host::sql {

// "YYYY-MM-DDTHH:MM[:SS[.fraction]]" followed by "Z" or "+00:00", years 1
// to 9999, a real calendar day, hours 0..23, minutes and seconds 0..59. A
// fraction of a second keeps its milliseconds. Nothing else: no other
// offset, no blank, no lower-case designator.
std::optional<int64_t> parseUtcTime(std::string_view text);

// "2026-12-10T08:15:00Z", with ".250" before the Z when the time is not a
// whole second.
std::string formatUtcTime(int64_t milliseconds);

// The wall clock, in milliseconds since the epoch.
int64_t currentUtcMilliseconds();

} // namespace host::sql
