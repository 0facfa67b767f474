#include "cli/columns.h"

#include <cctype>

namespace cli {

std::string printableText(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '.';
    return text;
}

namespace {

ColumnValue text(std::string s) { return ColumnValue{false, 0, std::move(s)}; }
ColumnValue number(int64_t n) { return ColumnValue{true, n, {}}; }

template <auto Field>
ColumnValue textOf(const zrx::MentrenqRow& r) {
    return text(trimmedField(r.*Field));
}

template <auto Field>
ColumnValue numberOf(const zrx::MentrenqRow& r) {
    return number(r.*Field);
}

// One-byte flags read as unsigned.
template <auto Field>
ColumnValue byteOf(const zrx::MentrenqRow& r) {
    return number(static_cast<uint8_t>(r.*Field));
}

using Row = zrx::MentrenqRow;

} // namespace

const std::array<Column, 17> columns = {{
    {"majorname", "TEXT", textOf<&Row::majorname>, true},
    {"minorname", "TEXT", textOf<&Row::minorname>, true},
    {"owntaskct", "INTEGER", numberOf<&Row::owntaskct>, false},
    {"waittaskct", "INTEGER", numberOf<&Row::waittaskct>, false},
    {"maxwaittm", "INTEGER", numberOf<&Row::maxwaittm>, false},
    {"owningas", "TEXT", textOf<&Row::owningas>, false},
    {"waitingas", "TEXT", textOf<&Row::waitingas>, false},
    {"sysname", "TEXT", textOf<&Row::sysname>, false},
    {"swapped", "INTEGER", byteOf<&Row::swapped>, false},
    {"type", "INTEGER", byteOf<&Row::type>, false},
    {"asid", "INTEGER", numberOf<&Row::asid>, false},
    {"waittime", "INTEGER", numberOf<&Row::waittime>, false},
    {"report", "TEXT", textOf<&Row::report>, true},
    {"originnode", "TEXT", textOf<&Row::originnode>, false},
    {"plxname", "TEXT", textOf<&Row::plxname>, false},
    {"enqplex", "TEXT", textOf<&Row::enqplex>, true},
    {"trueowner", "INTEGER", numberOf<&Row::trueowner>, false},
}};

ColumnValue columnValue(const zrx::MentrenqRow& r, size_t i) { return columns.at(i).read(r); }

std::optional<size_t> findColumn(std::string_view name) {
    for (size_t i = 0; i < columns.size(); ++i) {
        const std::string_view column = columns[i].name;
        if (column.size() != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < name.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(name[k])) == column[k];
        if (same) return i;
    }
    return std::nullopt;
}

std::string viewColumnName(size_t i) {
    std::string name(columns.at(i).name);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

bool isIndexColumn(size_t i) { return columns.at(i).index; }

bool isNumericColumn(size_t i) { return columns.at(i).sqlType == "INTEGER"; }

} // namespace cli
