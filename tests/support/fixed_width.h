// Fixed-width character fields as the tests build and read them: blank-
// padded to their width, read without trailing blanks. Header-only, so that
// the fuzz targets and the benchmarks use the same ones.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zrxtest {

// `value` blank-padded (or cut) to `width`.
inline std::string field(std::string_view value, std::size_t width) {
    std::string f(value.substr(0, width));
    f.resize(width, ' ');
    return f;
}

// `text` without its trailing blanks.
inline std::string trimmed(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

// A character field without its trailing blanks.
inline std::string trimmed(const char* field, std::size_t width) { return trimmed(std::string_view(field, width)); }

template <std::size_t N>
std::string trimmed(const char (&field)[N]) {
    return trimmed(field, N);
}

} // namespace zrxtest
