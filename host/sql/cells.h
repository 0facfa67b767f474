// A column value as the data server delivers it through the output SQLDA.
#pragma once

#include <string>

#include "sql/column_types.h"

struct sqlite3_stmt;

namespace host::sql {

struct Cell {
    bool null = false;
    // CHAR: the characters blank-padded to the width, a longer stored value
    // whole; integers: little-endian in the column's width, truncated to it.
    std::string bytes;
};

// The value of result column `index` of the current row of `statement`.
void readCell(sqlite3_stmt* statement, int index, const ColumnSpec& spec, Cell& cell);

} // namespace host::sql
