// The edge of every command: what a command could not handle itself ends
// the program here with one line and exit status 3, instead of an abort.
#pragma once

#include <functional>

namespace cli {

// Runs `command` and returns its status; when it ran out of memory, or the
// view module failed (a fault in its code, its process ended), writes one
// line saying so and returns 3.
int runAtEdge(const std::function<int()>& command);

} // namespace cli
