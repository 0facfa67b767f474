#include "cli/columns.h"

#include <cctype>

namespace cli {

std::string trimmedField(const char* field, size_t width) {
    size_t n = width;
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
    return std::string(field, n);
}

std::string printableText(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '.';
    return text;
}

namespace {
ColumnValue text(std::string s) { return ColumnValue{false, 0, std::move(s)}; }
ColumnValue number(int64_t n) { return ColumnValue{true, n, {}}; }
} // namespace

ColumnValue columnValue(const zrx::MentrenqRow& r, size_t i) {
    switch (i) {
    case 0: return text(trimmedField(r.majorname));
    case 1: return text(trimmedField(r.minorname));
    case 2: return number(r.owntaskct);
    case 3: return number(r.waittaskct);
    case 4: return number(r.maxwaittm);
    case 5: return text(trimmedField(r.owningas));
    case 6: return text(trimmedField(r.waitingas));
    case 7: return text(trimmedField(r.sysname));
    case 8: return number(static_cast<uint8_t>(r.swapped));
    case 9: return number(static_cast<uint8_t>(r.type));
    case 10: return number(r.asid);
    case 11: return number(r.waittime);
    case 12: return text(trimmedField(r.report));
    case 13: return text(trimmedField(r.originnode));
    case 14: return text(trimmedField(r.plxname));
    case 15: return text(trimmedField(r.enqplex));
    default: return number(r.trueowner);
    }
}

std::optional<size_t> findColumn(std::string_view name) {
    for (size_t i = 0; i < columnNames.size(); ++i) {
        const std::string_view column = columnNames[i];
        if (column.size() != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < name.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(name[k])) == column[k];
        if (same) return i;
    }
    return std::nullopt;
}

std::string viewColumnName(size_t i) {
    std::string name(columnNames.at(i));
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

bool isIndexColumn(size_t i) {
    return i == majornameColumn || i == minornameColumn || i == reportColumn || i == enqplexColumn;
}

// A column's kind is the kind of its value in any row.
bool isNumericColumn(size_t i) { return columnValue(zrx::MentrenqRow{}, i).numeric; }

} // namespace cli
