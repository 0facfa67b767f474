#include "sql/cells.h"

#include <sqlite3.h>

#include <cstdint>

namespace host::sql {

void readCell(sqlite3_stmt* statement, int index, const ColumnSpec& spec, Cell& cell) {
    cell.bytes.clear();
    cell.null = sqlite3_column_type(statement, index) == SQLITE_NULL;
    if (cell.null) return;
    if (spec.type == ColumnType::Char) {
        const unsigned char* text = sqlite3_column_text(statement, index);
        const int length = sqlite3_column_bytes(statement, index);
        if (text && length > 0) cell.bytes.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
        if (cell.bytes.size() < static_cast<std::size_t>(spec.width)) cell.bytes.resize(spec.width, ' ');
        return;
    }
    auto value = static_cast<uint64_t>(sqlite3_column_int64(statement, index));
    for (int i = 0; i < spec.width; ++i) {
        cell.bytes += static_cast<char>(value & 0xFF);
        value >>= 8;
    }
}

} // namespace host::sql
