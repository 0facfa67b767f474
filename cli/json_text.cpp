#include "cli/json_text.h"

namespace cli {

namespace {

// U+E000 (private use) in UTF-8. In a text made by jsonText it is followed
// either by itself (standing for one U+E000 of the original bytes) or by
// the two hex digits of a byte that is not UTF-8.
constexpr std::string_view marker = "\xEE\x80\x80";

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

} // namespace

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
        if (!continuation(byte(k))) return 0;
    return n;
}

Json jsonText(std::string_view bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        const size_t n = utf8SequenceLength(bytes, at);
        if (n == 0) {
            const auto c = static_cast<unsigned char>(bytes[at++]);
            text += marker;
            text += hex[c >> 4];
            text += hex[c & 0xF];
            continue;
        }
        const std::string_view sequence = bytes.substr(at, n);
        text += sequence;
        if (sequence == marker) text += marker;
        at += n;
    }
    return Json(std::move(text));
}

std::string dumpJson(const Json& document) {
    const std::string dumped = document.dump(2, ' ', false, nlohmann::json::error_handler_t::strict);
    std::string out;
    out.reserve(dumped.size() + 1);
    for (size_t at = 0; at < dumped.size();) {
        if (dumped.compare(at, marker.size(), marker) != 0) {
            out += dumped[at++];
            continue;
        }
        at += marker.size();
        if (dumped.compare(at, marker.size(), marker) == 0) {
            out += marker;
            at += marker.size();
        } else {
            out += "\\u00";
            out += dumped.substr(at, 2);
            at += 2;
        }
    }
    return out + "\n";
}

} // namespace cli
