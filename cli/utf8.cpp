#include "cli/utf8.h"

namespace cli {

size_t utf8SequenceLength(std::string_view s, size_t at) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[at + k]); };
    const unsigned char c = byte(0);
    if (c < 0x80) return 1;
    size_t n = 0;
    unsigned char low = 0x80, high = 0xBF; // bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + n > s.size() || byte(1) < low || byte(1) > high) return 0;
    for (size_t k = 2; k < n; ++k)
        if ((byte(k) & 0xC0) != 0x80) return 0;
    return n;
}

} // namespace cli
