// Names, paths and other text the user or a snapshot supplied, inside the
// command's messages: whatever bytes they hold, a message stays on one line
// and cannot drive the terminal (no escape sequences, no C1 controls).
#pragma once

#include <string>
#include <string_view>

namespace cli {

// `text` in double quotes; inside, a quote or backslash is preceded by a
// backslash, and every byte a terminal would act on or that is not part of
// valid UTF-8 is written \n, \r, \t or \xNN.
std::string quotedText(std::string_view text);

// `text` as it is when that is unambiguous (not empty, printable, no blank,
// quote or backslash), otherwise quotedText(text). For names in messages, so
// that ordinary names read as they are.
std::string shownName(std::string_view text);

// A whole message made safe for one line: control characters, DEL, C1
// controls and bytes that are not UTF-8 become \n, \r, \t or \xNN; every
// other byte is kept.
std::string printableMessage(std::string_view text);

} // namespace cli
