// Quoting of names placed inside SQL literals: the quote character is
// doubled, so that no name can end its literal early or add SQL of its own.
#pragma once

#include <cstddef>

namespace zrx {

// Length of the first `n` bytes of `in` (up to an earlier NUL) once quoted.
std::size_t quotedLength(const char* in, std::size_t n, char quote);

// Writes the quoted text and a NUL into `out`, which holds `cap` bytes.
// Returns the length written, or -1 (nothing usable) when it does not fit.
long quoteInto(char* out, std::size_t cap, const char* in, std::size_t n, char quote);

// Whether the first `n` bytes hold a NUL.
bool holdsNul(const char* in, std::size_t n);

} // namespace zrx
