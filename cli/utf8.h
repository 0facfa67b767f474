// Well-formed UTF-8 (RFC 3629), for the outputs that pass it through and
// escape every other byte.
#pragma once

#include <cstddef>
#include <string_view>

namespace cli {

// The length of the well-formed UTF-8 sequence at `at` (no overlong forms,
// no surrogates, nothing above U+10FFFF): 1 for ASCII, up to 4, or 0 for a
// byte that starts none.
size_t utf8SequenceLength(std::string_view s, size_t at);

} // namespace cli
