// Writing MENTRENQ rows as an aligned table, CSV (RFC 4180) or JSON (an
// array of objects, one per row, with the columns in order).
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/json_text.h"
#include "zrx/mentrenq_row.h"

namespace cli {

enum class RowFormat { Table, Csv, Json };

bool parseRowFormat(std::string_view name, RowFormat& out);

void writeRows(std::ostream& out, RowFormat format, const std::vector<zrx::MentrenqRow>& rows);

// The rows as the JSON format writes them: an array of objects.
Json rowsJson(const std::vector<zrx::MentrenqRow>& rows);

// The JSON of a view that did not end normally: its status, the line that
// describes it, and under `key` what it handed over before, so that a reader
// of the JSON alone cannot take a failure for no contention.
Json failedViewJson(int status, const std::string& error, Json handedOver, const char* key);

// A CSV field, quoted when it holds a comma, quote, CR or LF.
std::string csvField(std::string_view text);

} // namespace cli
