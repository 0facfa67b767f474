// Where the statements of `sql` come from: the argument, standard input
// ("-") or --file. SQLite reads a text only up to its first NUL byte, so a
// text holding one is refused rather than cut short in silence.
#pragma once

#include <cstddef>
#include <string>

#include "cli/arguments.h"

namespace cli {

struct SqlText {
    std::string text;
    std::string source; // for messages: "the argument", "standard input" or the file's name
};

// The most the command reads: far beyond any statement a person writes, and
// small enough that an endless input (`yes |`) ends soon with a message.
inline constexpr std::size_t maxSqlTextBytes = std::size_t{64} << 20;

// Reads the text the options name. False, with one line, when it cannot be
// read (a directory, a missing file), holds a NUL byte or is too long.
bool readSqlText(const Arguments& args, SqlText& out, std::string& error);

} // namespace cli
