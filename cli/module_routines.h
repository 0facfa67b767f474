// The routines of the view module that write trace lines, by name, sorted.
// Generated from the module's sources when the command is built.
#pragma once

#include <string_view>
#include <vector>

namespace cli {

const std::vector<std::string_view>& moduleRoutineNames();

} // namespace cli
