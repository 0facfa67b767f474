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
    // The name ends at its first NUL; most hold no quote and go over in one
    // copy.
    const void* nul = std::memchr(in, '\0', n);
    const std::size_t used = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - in) : n;
    const bool plain = !std::memchr(in, quote, used);
    const std::size_t length = plain ? used : quotedLength(in, used, quote);
    if (length + 1 > cap) {
        out[0] = '\0';
        return -1;
    }
    if (plain) {
        std::memcpy(out, in, used);
    } else {
        std::size_t o = 0;
        for (std::size_t i = 0; i < used; ++i) {
            out[o++] = in[i];
            if (in[i] == quote) out[o++] = quote;
        }
    }
    out[length] = '\0';
    return static_cast<long>(length);
}

bool holdsNul(const char* in, std::size_t n) { return std::memchr(in, '\0', n) != nullptr; }

} // namespace zrx
