#include "cli/row_formats.h"

#include <algorithm>

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

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

namespace {

std::string cellText(const ColumnValue& v) { return v.numeric ? std::to_string(v.number) : v.text; }

void writeTable(std::ostream& out, const std::vector<zrx::MentrenqRow>& rows) {
    const size_t n = columnNames.size();
    std::vector<std::vector<std::string>> cells;
    std::vector<size_t> width(n);
    std::vector<bool> numeric(n, false);
    for (size_t c = 0; c < n; ++c) width[c] = columnNames[c].size();
    for (const auto& row : rows) {
        std::vector<std::string> line;
        for (size_t c = 0; c < n; ++c) {
            ColumnValue v = columnValue(row, c);
            numeric[c] = v.numeric;
            line.push_back(printableText(cellText(v)));
            width[c] = std::max(width[c], line.back().size());
        }
        cells.push_back(std::move(line));
    }
    auto emit = [&](const std::vector<std::string>& line, bool header) {
        std::string text;
        for (size_t c = 0; c < n; ++c) {
            const std::string& s = line[c];
            const std::string pad(width[c] - s.size(), ' ');
            text += (numeric[c] && !header) ? pad + s : s + pad;
            if (c + 1 < n) text += "  ";
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out << text << '\n';
    };
    std::vector<std::string> header(columnNames.begin(), columnNames.end());
    emit(header, true);
    std::vector<std::string> rule;
    for (size_t c = 0; c < n; ++c) rule.push_back(std::string(width[c], '-'));
    emit(rule, true);
    for (const auto& line : cells) emit(line, false);
}

void writeCsv(std::ostream& out, const std::vector<zrx::MentrenqRow>& rows) {
    for (size_t c = 0; c < columnNames.size(); ++c) out << (c ? "," : "") << columnNames[c];
    out << "\r\n";
    for (const auto& row : rows) {
        for (size_t c = 0; c < columnNames.size(); ++c) {
            ColumnValue v = columnValue(row, c);
            out << (c ? "," : "") << (v.numeric ? std::to_string(v.number) : csvField(v.text));
        }
        out << "\r\n";
    }
}

void writeJson(std::ostream& out, const std::vector<zrx::MentrenqRow>& rows) {
    Json array = Json::array();
    for (const auto& row : rows) {
        Json object = Json::object();
        for (size_t c = 0; c < columnNames.size(); ++c) {
            ColumnValue v = columnValue(row, c);
            object[std::string(columnNames[c])] = v.numeric ? Json(v.number) : jsonText(v.text);
        }
        array.push_back(std::move(object));
    }
    out << dumpJson(array);
}

} // namespace

void writeRows(std::ostream& out, RowFormat format, const std::vector<zrx::MentrenqRow>& rows) {
    switch (format) {
    case RowFormat::Table: writeTable(out, rows); break;
    case RowFormat::Csv: writeCsv(out, rows); break;
    case RowFormat::Json: writeJson(out, rows); break;
    }
}

} // namespace cli
