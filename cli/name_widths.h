// The names a query gives the view (major, minor, Enqplex, REPORT) are as
// wide as their columns: 8, 255, 8 and 3 bytes. The view cuts a longer
// value, as its callers rely on, and would answer for another name (SYSZVVDS
// for SYSZVVDSXX); the command knows the widths and refuses such a value.
#pragma once

#include <string>

#include "cli/arguments.h"

namespace cli {

// False, with a line naming the option, the value and the width, when a
// --major, --minor, --enqplex or --where on one of those columns gives a
// value longer than its column. Trailing blanks do not count: the view pads
// names with blanks. A --where that does not parse is left to its parser.
bool namesFitTheirColumns(const Arguments& args, std::string& error);

} // namespace cli
