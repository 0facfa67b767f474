// How the data server delivers a column: its kind and its width in bytes,
// taken from the column's declared type in the snapshot schema.
#pragma once

#include <string>
#include <string_view>

namespace host::sql {

enum class ColumnType { Char, Int1, Int2, Int4 };

struct ColumnSpec {
    std::string name;
    ColumnType type = ColumnType::Char;
    int width = 0; // bytes: n of CHAR(n), else 1, 2 or 4
    bool notNull = false; // declared NOT NULL (known for the catalog's columns)
};

// Fills type and width from a declared type ("CHAR(32)", "INT4", ...; case
// and blanks as SQLite keeps them). False for any other type.
bool columnTypeFromDeclared(std::string_view declared, ColumnSpec& spec);

} // namespace host::sql
