// Fixed-width names: blank-padded byte fields without terminator, compared
// byte for byte over their full width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zrx {

// A NUL-terminated copy of a fixed-width field, one byte longer than it, as
// the trace lines print names.
template <std::size_t N>
class Printable {
public:
    explicit Printable(const char (&field)[N]) { set(field, N); }
    Printable(const char* field, std::size_t n) { set(field, n < N ? n : N); }
    const char* c_str() const { return text_; }

private:
    void set(const char* field, std::size_t n) {
        std::memcpy(text_, field, n);
        text_[n] = '\0';
    }
    char text_[N + 1];
};

template <std::size_t N>
Printable<N> printable(const char (&field)[N]) {
    return Printable<N>(field);
}

template <std::size_t N>
void fillBlanks(char (&field)[N]) {
    std::memset(field, ' ', N);
}

template <std::size_t N>
bool sameName(const char (&a)[N], const char (&b)[N]) {
    return std::memcmp(a, b, N) == 0;
}

template <std::size_t N>
void copyName(char (&to)[N], const char (&from)[N]) {
    std::memcpy(to, from, N);
}

inline bool blankFirst(const char* field) { return field[0] == ' '; }

// The length of a field's value: its width without the trailing blanks.
// Values are short in wide fields (a minor name of a few dozen characters
// in 255 places), so the blanks go eight at a time first.
inline std::size_t lengthWithoutTrailingBlanks(const char* field, std::size_t width) {
    constexpr std::uint64_t eightBlanks = 0x2020202020202020ull;
    while (width >= 8) {
        std::uint64_t word;
        std::memcpy(&word, field + width - 8, sizeof word);
        if (word != eightBlanks) break;
        width -= 8;
    }
    while (width > 0 && field[width - 1] == ' ') --width;
    return width;
}

} // namespace zrx
