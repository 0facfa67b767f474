// The MENTRENQ columns as the command shows them: names, kinds and values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "zrx/mentrenq_row.h"

namespace cli {

struct ColumnValue {
    bool numeric = false;
    int64_t number = 0;
    std::string text; // characters without trailing blanks
};

inline constexpr std::array<std::string_view, 17> columnNames = {
    "majorname", "minorname", "owntaskct", "waittaskct", "maxwaittm", "owningas",
    "waitingas", "sysname",   "swapped",   "type",       "asid",      "waittime",
    "report",    "originnode", "plxname",  "enqplex",    "trueowner",
};

// The columns on which the view reads index predicates, by their place.
inline constexpr size_t majornameColumn = 0;
inline constexpr size_t minornameColumn = 1;
inline constexpr size_t reportColumn = 12;
inline constexpr size_t enqplexColumn = 15;

// Column `i` of a row; swapped, type and trueowner as unsigned bytes.
ColumnValue columnValue(const zrx::MentrenqRow& row, size_t i);

// The place of a column named in any case, if there is one.
std::optional<size_t> findColumn(std::string_view name);
// The name the view knows a column by: upper case.
std::string viewColumnName(size_t i);
bool isIndexColumn(size_t i);
bool isNumericColumn(size_t i);

// Text for a terminal or an aligned table: control characters (and DEL)
// become '.', so that they cannot break lines or drive the terminal.
std::string printableText(std::string text);

// A fixed-width field without its trailing blanks.
std::string trimmedField(const char* field, size_t width);

template <size_t N>
std::string trimmedField(const char (&field)[N]) {
    return trimmedField(field, N);
}

} // namespace cli
