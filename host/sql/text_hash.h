// The hash of the host's tables keyed by statement text: the module's
// statements run to thousands of characters, most of them blanks, and every
// statement of every session is looked up by its text. Reads sixteen bytes
// a step on two independent lanes; the tables compare the texts anyway, so
// only the spread of the values matters, not resistance to chosen input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace host::sql {

inline uint64_t hashText(std::string_view text) {
    constexpr uint64_t k1 = 0x9E3779B97F4A7C15ull;
    constexpr uint64_t k2 = 0xC2B2AE3D27D4EB4Full;
    const char* p = text.data();
    std::size_t n = text.size();
    uint64_t a = k1 ^ n;
    uint64_t b = k2;
    auto rotate = [](uint64_t v, int r) { return (v << r) | (v >> (64 - r)); };
    for (; n >= 16; p += 16, n -= 16) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, p, 8);
        std::memcpy(&y, p + 8, 8);
        a = rotate((a ^ x) * k2, 31);
        b = rotate((b ^ y) * k1, 29);
    }
    uint64_t x = 0;
    uint64_t y = 0;
    std::memcpy(&x, p, n < 8 ? n : 8);
    if (n > 8) std::memcpy(&y, p + 8, n - 8);
    a = rotate((a ^ x) * k2, 31);
    b = rotate((b ^ y) * k1, 29);
    uint64_t h = a ^ rotate(b, 17);
    h ^= h >> 33;
    h *= k1;
    h ^= h >> 29;
    return h;
}

// For unordered containers keyed by std::string, looked up by string_view.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return static_cast<std::size_t>(hashText(text)); }
    std::size_t operator()(const std::string& text) const { return operator()(std::string_view(text)); }
    std::size_t operator()(const char* text) const { return operator()(std::string_view(text)); }
};

} // namespace host::sql
