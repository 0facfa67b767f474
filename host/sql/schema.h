// The enterprise snapshot schema and the catalog of tables and columns that
// the data server knows, both taken from enterprise.sql beside this file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sql/column_types.h"

namespace host::sql {

// The text of enterprise.sql, compiled into the library.
std::string_view schemaText();

// The column that names the node answering for a row; a table that has it
// is routed by a statement's AT clause.
inline constexpr std::string_view routingColumn = "AT_NODE";

struct CatalogTable {
    std::string name;
    std::vector<ColumnSpec> columns; // in schema order
    bool routed = false;

    // Index of the column, matched without regard to case; -1 when absent.
    int columnIndex(std::string_view column) const;
};

struct Catalog {
    std::vector<CatalogTable> tables; // in schema order
    std::string error;                // set when the schema could not be read

    int tableIndex(std::string_view table) const;
};

// Built once, on first use, from the schema's CREATE TABLE statements.
const Catalog& catalog();

// Case-insensitive equality of ASCII names.
bool sameName(std::string_view a, std::string_view b);

} // namespace host::sql
