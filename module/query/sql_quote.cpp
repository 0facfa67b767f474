#include "query/sql_quote.h"

#include <cstring>

namespace zrx {

std::size_t quotedLength(const char* in, std::size_t n, char quote) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < n && in[i]; ++i) length += in[i] == quote ? 2 : 1;
    return length;
}

long quoteInto(char* out, std::size_t cap, const char* in, std::size_t n, char quote) {
    if (cap == 0) return -1;
    // Most names hold no quote: they go over in one copy.
    const void* nul = std::memchr(in, '\0', n);
    const std::size_t used = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - in) : n;
    if (!std::memchr(in, quote, used)) {
        if (used + 1 > cap) {
            out[0] = '\0';
            return -1;
        }
        std::memcpy(out, in, used);
        out[used] = '\0';
        return static_cast<long>(used);
    }
    std::size_t length = quotedLength(in, n, quote);
    if (length + 1 > cap) {
        out[0] = '\0';
        return -1;
    }
    std::size_t o = 0;
    for (std::size_t i = 0; i < n && in[i]; ++i) {
        out[o++] = in[i];
        if (in[i] == quote) out[o++] = quote;
    }
    out[o] = '\0';
    return static_cast<long>(o);
}

bool holdsNul(const char* in, std::size_t n) { return std::memchr(in, '\0', n) != nullptr; }

} // namespace zrx
