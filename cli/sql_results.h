// The result of one statement of `sql`, written as an aligned table, CSV or
// JSON like the rows of `query`. CSV and JSON are written row by row as the
// statement steps, so that a result of any length passes through; a table
// is held whole to align its columns, up to maxTableBytes. A blob, and a
// text holding a NUL byte, are shown as the literal that writes them
// (x'00ff') in a table, so that no value turns into blanks or is cut.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/row_formats.h"

namespace cli {

// The most a table holds: far beyond what a person reads, and small enough
// that an endless statement ends with a message rather than exhausting
// memory. Also the longest value SQLite may make for `sql`.
inline constexpr std::size_t maxTableBytes = std::size_t{128} << 20;

enum class StatementEnd {
    Done,
    Failed,       // a step failed, or a table outgrew maxTableBytes: `error` says why
    OutputFailed, // `out` cannot be written any more (a full disk, a reader that went away)
};

// Steps `statement` to its end and writes its columns and rows to `out`. A
// statement without columns writes nothing as a table or CSV, and [] as
// JSON. On a failure, the CSV and JSON rows read before stay written (the
// JSON array closed); a table is not written.
StatementEnd writeStatementResult(std::ostream& out, RowFormat format, sqlite3* db, sqlite3_stmt* statement,
                                  std::string& error);

// x'..': the bytes in hexadecimal, as SQL writes a blob.
std::string blobLiteral(std::string_view bytes);

} // namespace cli
