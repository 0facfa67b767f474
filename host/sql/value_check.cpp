#include "sql/value_check.h"

#include <sqlite3.h>

#include "sql/capture.h"
#include "sql/schema.h"

namespace host::sql {

namespace {

struct Range {
    int64_t low, high;
    const char* name;
};

Range rangeOf(ColumnType type) {
    switch (type) {
    case ColumnType::Int1: return {-128, 255, "INT1"};
    case ColumnType::Int2: return {0, 65535, "INT2"};
    default: return {INT32_MIN, INT32_MAX, "INT4"};
    }
}

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// Every row of the table with its rowid first. The values are judged as
// they are read (problemWith): that costs a fraction of having SQLite
// evaluate a test per value, and reads each table once all the same.
std::string allRowsQuery(const CatalogTable& table) {
    std::string select = "SELECT rowid";
    for (const ColumnSpec& column : table.columns) select += ", " + quoted(column.name);
    return select + " FROM " + quoted(table.name);
}

// Bytes as a person would read them: printable ASCII as it is, the rest as
// \xNN, and only the first 40 bytes of a long value.
std::string shown(const unsigned char* bytes, int size, bool blob) {
    static const char hex[] = "0123456789ABCDEF";
    constexpr int shownBytes = 40;
    std::string out = blob ? "X'" : "'";
    for (int i = 0; i < size && i < shownBytes; ++i) {
        const unsigned char b = bytes[i];
        if (blob) {
            out += hex[b >> 4];
            out += hex[b & 15];
        } else if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += static_cast<char>(b);
        } else {
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out + (size > shownBytes ? "...'" : "'");
}

std::string shownValue(sqlite3_stmt* s, int i) {
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER: return std::to_string(sqlite3_column_int64(s, i));
    case SQLITE_FLOAT: {
        const unsigned char* text = sqlite3_column_text(s, i);
        return text ? reinterpret_cast<const char*>(text) : "";
    }
    case SQLITE_NULL: return "NULL";
    case SQLITE_BLOB: {
        const auto* b = static_cast<const unsigned char*>(sqlite3_column_blob(s, i));
        return shown(b, sqlite3_column_bytes(s, i), true);
    }
    default: {
        const unsigned char* t = sqlite3_column_text(s, i);
        return shown(t, sqlite3_column_bytes(s, i), false);
    }
    }
}

// What is wrong with the value of `column` in result column `i`; "" when
// nothing is.
std::string problemWith(sqlite3_stmt* s, int i, const ColumnSpec& column) {
    const int kind = sqlite3_column_type(s, i);
    if (kind == SQLITE_NULL) return column.notNull ? "is NULL, where the schema says NOT NULL" : "";
    if (column.type == ColumnType::Char) {
        const int bytes = sqlite3_column_bytes(s, i);
        if (bytes <= column.width) return "";
        return "is " + std::to_string(bytes) + " bytes long, more than CHAR(" + std::to_string(column.width) +
               ") holds";
    }
    const Range r = rangeOf(column.type);
    switch (kind) {
    case SQLITE_INTEGER: {
        const int64_t v = sqlite3_column_int64(s, i);
        if (v >= r.low && v <= r.high) return "";
        return std::string("is outside the ") + r.name + " range " + std::to_string(r.low) + ".." +
               std::to_string(r.high);
    }
    case SQLITE_FLOAT: return std::string("is not an integer, in an ") + r.name + " column";
    case SQLITE_BLOB: return std::string("is a blob, in an ") + r.name + " column";
    default: return std::string("is text, in an ") + r.name + " column";
    }
}

} // namespace

std::string ValueProblem::line() const {
    return table + " row " + std::to_string(rowid) + ", column " + column + ": " + value + " " + why;
}

bool checkValues(sqlite3* db, std::size_t perTable, std::vector<ValueProblem>& problems, std::string& error) {
    for (const CatalogTable& table : catalog().tables) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, allRowsQuery(table).c_str(), -1, &s, nullptr) != SQLITE_OK) {
            error = "checking " + table.name + ": " + sqlite3_errmsg(db);
            return false;
        }
        std::size_t rows = 0;
        int rc = SQLITE_DONE;
        while ((perTable == 0 || rows < perTable) && (rc = sqlite3_step(s)) == SQLITE_ROW) {
            bool any = false;
            for (std::size_t c = 0; c < table.columns.size(); ++c) {
                const int i = static_cast<int>(c) + 1;
                std::string why = problemWith(s, i, table.columns[c]);
                if (why.empty()) continue;
                std::string value = shownValue(s, i);
                problems.push_back({table.name, sqlite3_column_int64(s, 0), table.columns[c].name, std::move(value),
                                    std::move(why)});
                any = true;
            }
            rows += any;
        }
        if (perTable > 0 && rows == perTable) rc = SQLITE_DONE;
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE) {
            error = "checking " + table.name + ": " + sqlite3_errmsg(db);
            return false;
        }
    }
    return captureProblems(db, problems, error);
}

} // namespace host::sql
