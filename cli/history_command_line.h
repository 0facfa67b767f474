// The options of the commands that work over time: record, history, diff,
// simulate, generate --timeline, and --history/--at of query and tree.
#pragma once

#include <CLI/CLI.hpp>

namespace cli {

void addHistoryCommands(CLI::App& app);
// --timeline, --step, --out-dir and --start of generate.
void addTimelineOptions(CLI::App& generate);
// --history FILE --at TIME, in place of --db.
void addPastOptions(CLI::App& command);

} // namespace cli
