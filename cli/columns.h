// The MENTRENQ columns as the command shows them, read from the one
// description of the table (zrx/mentrenq_table.h): names, SQL types, values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sql/fixed_width.h"
#include "zrx/mentrenq_table.h"

namespace cli {

struct ColumnValue {
    bool numeric = false;
    int64_t number = 0;
    std::string text; // characters without trailing blanks
};

// One MENTRENQ column: the name the outputs show (the view knows it in upper
// case), its SQL type, whether the view reads index predicates on it, and
// where its value lies in a row.
struct Column {
    std::string_view name; // lower case
    std::string_view sqlType;
    bool index;
    const zrx::ColumnSpec* spec;

    ColumnValue read(const zrx::MentrenqRow& row) const;
};

extern const std::array<Column, zrx::mentrenqColumnCount> columns;

// The index columns, by their place.
inline constexpr size_t majornameColumn = static_cast<size_t>(zrx::ColumnId::majorname);
inline constexpr size_t minornameColumn = static_cast<size_t>(zrx::ColumnId::minorname);
inline constexpr size_t reportColumn = static_cast<size_t>(zrx::ColumnId::report);
inline constexpr size_t enqplexColumn = static_cast<size_t>(zrx::ColumnId::enqplex);
inline constexpr size_t asidColumn = static_cast<size_t>(zrx::ColumnId::asid);

// Column `i` of a row; swapped, type and trueowner as unsigned bytes.
ColumnValue columnValue(const zrx::MentrenqRow& row, size_t i);

// The place of a column named in any case, if there is one.
std::optional<size_t> findColumn(std::string_view name);
// The name the view knows a column by: upper case.
std::string viewColumnName(size_t i);
inline std::string viewColumnName(zrx::ColumnId c) { return viewColumnName(static_cast<size_t>(c)); }
// The name the outputs show: lower case.
inline std::string columnName(zrx::ColumnId c) { return std::string(columns[static_cast<size_t>(c)].name); }
bool isIndexColumn(size_t i);
bool isNumericColumn(size_t i);

// "majorname, minorname, ..., trueowner": every column in table order, in
// lower case, or in upper case as the view knows them.
std::string columnNames(bool upperCase = false);

// "CREATE TABLE name(MAJORNAME TEXT, ..., TRUEOWNER INTEGER)".
std::string tableDeclaration(const std::string& name);

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
