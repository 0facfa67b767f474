#include "sql_table_writer.h"

#include <charconv>
#include <utility>

namespace scenarios {

void appendSqlString(std::string& out, std::string_view value) {
    out += '\'';
    for (size_t at = 0;;) {
        size_t quote = value.find('\'', at);
        if (quote == std::string_view::npos) {
            out.append(value.substr(at));
            break;
        }
        out.append(value.substr(at, quote + 1 - at));
        out += '\'';
        at = quote + 1;
    }
    out += '\'';
}

SqlTableWriter::SqlTableWriter(std::string_view table, int rowsPerStatement)
    : table_(table), rowsPerStatement_(rowsPerStatement < 1 ? 1 : rowsPerStatement) {}

void SqlTableWriter::beginRow() {
    if (rowsInStatement_ == 0) {
        out_ += "INSERT INTO ";
        out_ += table_;
        out_ += " VALUES\n(";
    } else {
        out_ += ",\n(";
    }
    firstValue_ = true;
}

void SqlTableWriter::separate() {
    if (!firstValue_) out_ += ',';
    firstValue_ = false;
}

void SqlTableWriter::text(std::string_view value) {
    separate();
    appendSqlString(out_, value);
}

void SqlTableWriter::null() {
    separate();
    out_ += "NULL";
}

void SqlTableWriter::integer(int64_t value) {
    separate();
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec; // 24 characters hold every 64-bit value
    out_.append(digits, end);
}

void SqlTableWriter::endRow() {
    out_ += ')';
    if (++rowsInStatement_ == rowsPerStatement_) {
        out_ += ";\n";
        rowsInStatement_ = 0;
    }
}

std::string SqlTableWriter::finish() {
    if (rowsInStatement_ > 0) {
        out_ += ";\n";
        rowsInStatement_ = 0;
    }
    return std::move(out_);
}

} // namespace scenarios
