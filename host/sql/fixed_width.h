// Fixed-width character fields as the module and the data server exchange
// them: blank-padded to their width. The host and the command read them
// with these.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace host::sql {

// Trailing blanks do not count in the dialect's character comparisons, nor
// in a field's value.
inline std::string_view withoutTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// A field of `width` bytes without its trailing blanks and NULs.
inline std::string trimmedField(const char* field, std::size_t width) {
    std::size_t n = width;
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
    return std::string(field, n);
}

} // namespace host::sql
