#include "cli/row_formats.h"

#include <charconv>

#include "cli/aligned_table.h"
#include "cli/columns.h"
#include "cli/json_text.h"

namespace cli {

bool parseRowFormat(std::string_view name, RowFormat& out) {
    if (name == "table") out = RowFormat::Table;
    else if (name == "csv") out = RowFormat::Csv;
    else if (name == "json") out = RowFormat::Json;
    else return false;
    return true;
}

namespace {

void appendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    out += '"';
}

} // namespace

std::string csvField(std::string_view text) {
    std::string out;
    appendCsvField(out, text);
    return out;
}

namespace {

std::string cellText(const ColumnValue& v) { return v.numeric ? std::to_string(v.number) : v.text; }

void writeTable(std::ostream& out, const std::vector<zrx::MentrenqRow>& rows) {
    std::vector<std::string> header;
    std::vector<bool> numeric;
    for (const Column& column : columns) {
        header.emplace_back(column.name);
        numeric.push_back(column.sqlType == "INTEGER");
    }
    std::vector<std::vector<std::string>> cells;
    for (const auto& row : rows) {
        std::vector<std::string> line;
        for (const Column& column : columns) line.push_back(cellText(column.read(row)));
        cells.push_back(std::move(line));
    }
    writeAlignedTable(out, header, cells, numeric);
}

void writeCsv(std::ostream& out, const std::vector<zrx::MentrenqRow>& rows) {
    for (size_t c = 0; c < columns.size(); ++c) out << (c ? "," : "") << columns[c].name;
    out << "\r\n";
    // Each line is made in one buffer and written whole.
    std::string line;
    for (const auto& row : rows) {
        line.clear();
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c) line += ',';
            const ColumnValue v = columns[c].read(row);
            if (v.numeric) {
                char digits[24];
                line.append(digits, std::to_chars(digits, digits + sizeof digits, v.number).ptr);
            } else {
                appendCsvField(line, v.text);
            }
        }
        line += "\r\n";
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

} // namespace

Json failedViewJson(int status, const std::string& error, Json handedOver, const char* key) {
    return Json{{"status", status}, {"error", jsonText(error)}, {key, std::move(handedOver)}};
}

Json rowsJson(const std::vector<zrx::MentrenqRow>& rows) {
    Json array = Json::array();
    for (const auto& row : rows) {
        Json object = Json::object();
        for (const Column& column : columns) {
            ColumnValue v = column.read(row);
            object[std::string(column.name)] = v.numeric ? Json(v.number) : jsonText(v.text);
        }
        array.push_back(std::move(object));
    }
    return array;
}

void writeRows(std::ostream& out, RowFormat format, const std::vector<zrx::MentrenqRow>& rows) {
    switch (format) {
    case RowFormat::Table: writeTable(out, rows); break;
    case RowFormat::Csv: writeCsv(out, rows); break;
    case RowFormat::Json: out << dumpJson(rowsJson(rows)); break;
    }
}

} // namespace cli
