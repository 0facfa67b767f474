#include "cli/message_text.h"

#include "cli/utf8.h"

namespace cli {

namespace {

// The length of the UTF-8 sequence of two or more bytes at `at`, or 0 for
// a byte that starts none and for a C1 control (U+0080 to U+009F), which
// terminals act on.
size_t multibyteLength(std::string_view text, size_t at) {
    const size_t n = utf8SequenceLength(text, at);
    if (n == 2 && static_cast<unsigned char>(text[at]) == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0)
        return 0;
    return n;
}

void appendEscape(std::string& out, unsigned char c) {
    static constexpr char hex[] = "0123456789abcdef";
    switch (c) {
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
    }
    out += "\\x";
    out += hex[c >> 4];
    out += hex[c & 15];
}

// Copies `text` to `out`, escaping what a terminal would act on and what is
// not UTF-8; `escapeQuotes` also puts a backslash before '"' and '\'.
void appendSafe(std::string& out, std::string_view text, bool escapeQuotes) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            if (escapeQuotes && (c == '"' || c == '\\')) out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (const size_t n = c >= 0x80 ? multibyteLength(text, i) : 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            appendEscape(out, c);
            ++i;
        }
    }
}

} // namespace

std::string quotedText(std::string_view text) {
    std::string out = "\"";
    appendSafe(out, text, true);
    return out + '"';
}

std::string shownName(std::string_view text) {
    if (text.empty()) return quotedText(text);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '\\' || c == '\'') return quotedText(text);
    }
    return std::string(text);
}

std::string printableMessage(std::string_view text) {
    std::string out;
    appendSafe(out, text, false);
    return out;
}

} // namespace cli
