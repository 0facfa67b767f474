// The snapshot's capture time: the optional one-row table CAPTURE of the
// snapshot schema, TAKEN_AT holding an ISO-8601 UTC time (utc_time.h). The
// data server never answers the view from it; the tools that keep the
// view's results over time read it. A snapshot without the table, or with
// the table empty, has no capture time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sql/value_check.h"

struct sqlite3;

namespace host::sql {

inline constexpr std::string_view captureTable = "CAPTURE";
inline constexpr std::string_view captureColumn = "TAKEN_AT";

// Where the table is there, it is a table with the column TAKEN_AT. False
// with a message otherwise; true for a snapshot without it.
bool checkCaptureShape(sqlite3* db, std::string& error);

// What is wrong with the table's rows: more than one row, or a TAKEN_AT
// that is not an ISO-8601 UTC time as text. Appended to `problems`.
bool captureProblems(sqlite3* db, std::vector<ValueProblem>& problems, std::string& error);

// The capture time in milliseconds since the epoch, or nothing when the
// snapshot has none. False with a message when it cannot be read or is not
// a time (a snapshot that passed the value check always has a valid one).
bool readCaptureTime(sqlite3* db, std::optional<int64_t>& taken, std::string& error);

} // namespace host::sql
