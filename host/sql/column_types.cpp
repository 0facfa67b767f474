#include "sql/column_types.h"

#include <cctype>

namespace host::sql {

namespace {

// Longest CHAR(n) accepted; the snapshot's widest column is 255.
constexpr int maxCharWidth = 32767;

std::string normalised(std::string_view declared) {
    std::string out;
    for (char c : declared) {
        if (c == ' ' || c == '\t') continue;
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

bool columnTypeFromDeclared(std::string_view declared, ColumnSpec& spec) {
    const std::string t = normalised(declared);
    if (t == "INT1" || t == "INT2" || t == "INT4") {
        spec.type = t == "INT1" ? ColumnType::Int1 : t == "INT2" ? ColumnType::Int2 : ColumnType::Int4;
        spec.width = t[3] - '0';
        return true;
    }
    constexpr std::string_view prefix = "CHAR(";
    if (t.size() < prefix.size() + 2 || t.compare(0, prefix.size(), prefix) != 0 || t.back() != ')') {
        return false;
    }
    int width = 0;
    for (std::size_t i = prefix.size(); i + 1 < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        width = width * 10 + (t[i] - '0');
        if (width > maxCharWidth) return false;
    }
    if (width == 0) return false;
    spec.type = ColumnType::Char;
    spec.width = width;
    return true;
}

} // namespace host::sql
