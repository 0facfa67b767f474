// Fixed-width names: blank-padded byte fields without terminator, compared
// byte for byte over their full width.
#pragma once

#include <bit>
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

// The place of the first of the 8 bytes at `field` that equals one of
// `stops`, or 8. Names are read from 8 places of every row: the bytes are
// tested all at once, as a word in which a zero byte marks a stop (the
// lowest such mark is exact; marks above it may not be, and do not matter).
template <class... Stops>
int firstOf8(const char* field, Stops... stops) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101ull;
        constexpr std::uint64_t highs = 0x8080808080808080ull;
        std::uint64_t word;
        std::memcpy(&word, field, sizeof word);
        auto marks = [&](char stop) {
            const std::uint64_t x = word ^ (ones * static_cast<unsigned char>(stop));
            return (x - ones) & ~x & highs;
        };
        const std::uint64_t all = (marks(stops) | ...);
        return all ? std::countr_zero(all) / 8 : 8;
    } else {
        int i = 0;
        while (i < 8 && ((field[i] != stops) && ...)) ++i;
        return i;
    }
}

// The first n of the 8 bytes at `from` (n from 0 to 8), blanks after them.
inline void blankPaddedPrefix(char (&out)[8], const char* from, int n) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t word;
        std::memcpy(&word, from, sizeof word);
        const std::uint64_t kept = n >= 8 ? ~0ull : (1ull << (8 * n)) - 1;
        word = (word & kept) | (0x2020202020202020ull & ~kept);
        std::memcpy(out, &word, sizeof word);
    } else {
        for (int k = 0; k < 8; ++k) out[k] = k < n ? from[k] : ' ';
    }
}

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
