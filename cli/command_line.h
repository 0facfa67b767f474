// The command line of mentrenq: its commands, their options and their help,
// read with CLI11. A command's options come back in command-line order, so
// that predicates reach the view in the order the user gave them.
#pragma once

#include <string>

#include "cli/arguments.h"

namespace cli {

struct CommandLine {
    std::string command; // query, tree, sql, check, demo, generate, record, history, diff or simulate
    Arguments args;
};

// Reads argv. Returns -1 when `out` holds a command to run; otherwise the
// exit status, after writing the help, the version or the usage error.
int readCommandLine(int argc, char** argv, CommandLine& out);

} // namespace cli
