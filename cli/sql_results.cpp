#include "cli/sql_results.h"

#include <cmath>
#include <set>
#include <vector>

#include "cli/aligned_table.h"
#include "cli/json_text.h"

namespace cli {

std::string blobLiteral(std::string_view bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out = "x'";
    for (char c : bytes) {
        out += hex[static_cast<unsigned char>(c) >> 4];
        out += hex[static_cast<unsigned char>(c) & 15];
    }
    return out + "'";
}

namespace {

struct SqlValue {
    int type = SQLITE_NULL; // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL
    std::string bytes;      // the text, the blob, or the number as SQLite writes it
    long long integer = 0;
    double real = 0;
};

SqlValue readValue(sqlite3_stmt* statement, int c) {
    SqlValue v;
    v.type = sqlite3_column_type(statement, c);
    if (v.type == SQLITE_NULL) return v;
    if (v.type == SQLITE_INTEGER) v.integer = sqlite3_column_int64(statement, c);
    if (v.type == SQLITE_FLOAT) v.real = sqlite3_column_double(statement, c);
    // Asked for after the number, so that the number is read as stored.
    const void* bytes = v.type == SQLITE_BLOB ? sqlite3_column_blob(statement, c)
                                              : static_cast<const void*>(sqlite3_column_text(statement, c));
    const int size = sqlite3_column_bytes(statement, c);
    if (bytes && size > 0) v.bytes.assign(static_cast<const char*>(bytes), static_cast<size_t>(size));
    return v;
}

// What a table shows: NULL for null, the literal for a blob or a text that
// holds a NUL byte (the table would cut it there or blank it out).
std::string tableCell(const SqlValue& v) {
    switch (v.type) {
    case SQLITE_NULL: return "NULL";
    case SQLITE_BLOB: return blobLiteral(v.bytes);
    case SQLITE_TEXT: return v.bytes.find('\0') == std::string::npos ? v.bytes : blobLiteral(v.bytes);
    default: return v.bytes;
    }
}

// CSV keeps a text's bytes as they are; null is an empty field.
std::string csvCell(const SqlValue& v) {
    switch (v.type) {
    case SQLITE_NULL: return "";
    case SQLITE_BLOB: return blobLiteral(v.bytes);
    case SQLITE_TEXT: return csvField(v.bytes);
    default: return v.bytes;
    }
}

Json jsonCell(const SqlValue& v) {
    switch (v.type) {
    case SQLITE_NULL: return Json(nullptr);
    case SQLITE_INTEGER: return Json(v.integer);
    case SQLITE_FLOAT: return std::isfinite(v.real) ? Json(v.real) : Json(v.bytes); // JSON has no infinity
    case SQLITE_BLOB: return Json(blobLiteral(v.bytes));
    default: return jsonText(v.bytes);
    }
}

// Column names as JSON keys: a name that came before gets ":2", ":3", ...
// (one no other column has), so that no value of a row is lost to another
// column of the same name. Keys hold any bytes, as texts do.
std::vector<std::string> jsonKeys(const std::vector<std::string>& header) {
    const std::set<std::string> taken(header.begin(), header.end());
    std::set<std::string> seen;
    std::vector<std::string> keys;
    for (const auto& name : header) {
        std::string key = name;
        for (int k = 2; seen.count(key) || (key != name && taken.count(key)); ++k) key = name + ":" + std::to_string(k);
        seen.insert(key);
        keys.push_back(jsonText(key).get<std::string>());
    }
    return keys;
}

// One object of the array, as dumpJson would indent it inside the array.
std::string arrayElement(const Json& object) {
    const std::string dumped = dumpJson(object); // ends with a newline
    std::string out = "  ";
    for (size_t i = 0; i + 1 < dumped.size(); ++i) {
        out += dumped[i];
        if (dumped[i] == '\n') out += "  ";
    }
    return out;
}

} // namespace

StatementEnd writeStatementResult(std::ostream& out, RowFormat format, sqlite3* db, sqlite3_stmt* statement,
                                  std::string& error) {
    const int n = sqlite3_column_count(statement);
    std::vector<std::string> header;
    for (int c = 0; c < n; ++c) {
        // SQLite gives no name only when it runs out of memory.
        const char* name = sqlite3_column_name(statement, c);
        if (!name) {
            error = "out of memory";
            return StatementEnd::Failed;
        }
        header.push_back(name);
    }
    const std::vector<std::string> keys = format == RowFormat::Json ? jsonKeys(header) : std::vector<std::string>{};
    if (format == RowFormat::Csv && n > 0) {
        for (int c = 0; c < n; ++c) out << (c ? "," : "") << csvField(header[static_cast<size_t>(c)]);
        out << "\r\n";
    }
    if (format == RowFormat::Json) out << "[";

    std::vector<std::vector<std::string>> cells;
    size_t held = 0;
    size_t rows = 0;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<SqlValue> row;
        for (int c = 0; c < n; ++c) row.push_back(readValue(statement, c));
        if (format == RowFormat::Table) {
            std::vector<std::string> line;
            for (const auto& v : row) {
                line.push_back(tableCell(v));
                held += line.back().size() + sizeof(std::string);
            }
            cells.push_back(std::move(line));
            if (held > maxTableBytes) {
                error = "the result holds more than " + std::to_string(maxTableBytes) +
                        " bytes, more than a table takes; write it with --format csv or json, or narrow it";
                return StatementEnd::Failed;
            }
        } else if (format == RowFormat::Csv) {
            for (size_t c = 0; c < row.size(); ++c) out << (c ? "," : "") << csvCell(row[c]);
            out << "\r\n";
        } else {
            Json object = Json::object();
            for (size_t c = 0; c < row.size(); ++c) object[keys[c]] = jsonCell(row[c]);
            out << (rows ? ",\n" : "\n") << arrayElement(object);
        }
        ++rows;
        if (!out) break; // the rest could not be written either
    }
    if (format == RowFormat::Json) out << (rows ? "\n]\n" : "]\n");
    if (!out) return StatementEnd::OutputFailed;
    if (rc != SQLITE_DONE) {
        error = sqlite3_errmsg(db);
        return StatementEnd::Failed;
    }
    if (format == RowFormat::Table) writeAlignedTable(out, header, cells);
    return out ? StatementEnd::Done : StatementEnd::OutputFailed;
}

} // namespace cli
