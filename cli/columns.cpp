#include "cli/columns.h"

#include <cctype>
#include <cstring>

namespace cli {

std::string printableText(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '.';
    return text;
}

namespace {

// The names in lower case, made when the program is compiled.
constexpr size_t nameRoom = 16;
struct LowerNames {
    char text[zrx::mentrenqColumnCount][nameRoom];
};

constexpr LowerNames lowerNames() {
    LowerNames out{};
    for (size_t i = 0; i < zrx::mentrenqColumnCount; ++i) {
        const char* name = zrx::mentrenqColumns[i].name;
        for (size_t k = 0; name[k]; ++k) {
            if (k + 1 >= nameRoom) throw "a column name too long for its room";
            out.text[i][k] = name[k] >= 'A' && name[k] <= 'Z' ? static_cast<char>(name[k] - 'A' + 'a') : name[k];
        }
    }
    return out;
}
constexpr LowerNames names = lowerNames();

constexpr std::array<Column, zrx::mentrenqColumnCount> makeColumns() {
    std::array<Column, zrx::mentrenqColumnCount> out{};
    for (size_t i = 0; i < out.size(); ++i) {
        const zrx::ColumnSpec& spec = zrx::mentrenqColumns[i];
        out[i] = Column{names.text[i], spec.sqlType(), spec.index(), &spec};
    }
    return out;
}

template <class T>
int64_t integerAt(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return static_cast<int64_t>(v);
}

} // namespace

constinit const std::array<Column, zrx::mentrenqColumnCount> columns = makeColumns();

ColumnValue Column::read(const zrx::MentrenqRow& row) const {
    const auto* p = reinterpret_cast<const unsigned char*>(&row) + spec->offset;
    if (spec->kind == zrx::ColumnKind::Text)
        return ColumnValue{false, 0, trimmedField(reinterpret_cast<const char*>(p), spec->width)};
    const bool isSigned = spec->kind == zrx::ColumnKind::Signed;
    int64_t n = 0;
    switch (spec->width) {
    case 1: n = isSigned ? integerAt<int8_t>(p) : integerAt<uint8_t>(p); break;
    case 2: n = isSigned ? integerAt<int16_t>(p) : integerAt<uint16_t>(p); break;
    default: n = isSigned ? integerAt<int32_t>(p) : integerAt<uint32_t>(p); break;
    }
    return ColumnValue{true, n, {}};
}

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

std::string viewColumnName(size_t i) { return columns.at(i).spec->name; }

bool isIndexColumn(size_t i) { return columns.at(i).index; }

bool isNumericColumn(size_t i) { return columns.at(i).spec->kind != zrx::ColumnKind::Text; }

std::string columnNames(bool upperCase) {
    std::string list;
    for (size_t i = 0; i < columns.size(); ++i)
        list += (i ? ", " : "") + (upperCase ? viewColumnName(i) : std::string(columns[i].name));
    return list;
}

std::string tableDeclaration(const std::string& name) {
    std::string text = "CREATE TABLE " + name + "(";
    for (size_t i = 0; i < columns.size(); ++i)
        text += (i ? ", " : "") + viewColumnName(i) + " " + std::string(columns[i].sqlType);
    return text + ")";
}

} // namespace cli
