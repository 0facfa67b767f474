// The MENTRENQ columns as the command shows them: names, kinds and values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sql/fixed_width.h"
#include "zrx/mentrenq_row.h"

namespace cli {

struct ColumnValue {
    bool numeric = false;
    int64_t number = 0;
    std::string text; // characters without trailing blanks
};

// One MENTRENQ column: the name the outputs show (the view knows it in upper
// case), its SQL type, how its value is read from a row, and whether the
// view reads index predicates on it. Every output and the SQL table are
// driven from this one list.
struct Column {
    std::string_view name;
    std::string_view sqlType; // "TEXT" or "INTEGER"
    ColumnValue (*read)(const zrx::MentrenqRow& row);
    bool index;
};

extern const std::array<Column, 17> columns;

// The index columns, by their place.
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

using host::sql::trimmedField;

// A fixed-width field without its trailing blanks and NULs.
template <size_t N>
std::string trimmedField(const char (&field)[N]) {
    return host::sql::trimmedField(field, N);
}

} // namespace cli
