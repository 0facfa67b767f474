#include "cli/json_text.h"

#include "cli/utf8.h"

namespace cli {

namespace {

// U+E000 (private use) in UTF-8. In a text made by jsonText it is followed
// either by itself (standing for one U+E000 of the original bytes) or by
// the two hex digits of a byte that is not UTF-8.
constexpr std::string_view marker = "\xEE\x80\x80";

} // namespace

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
