// The --trace option: levels for every routine or for named routines of the
// module. A routine name the module does not have is refused, so that a typo
// cannot silently trace nothing.
#pragma once

#include <string>

#include "platform/trace_control.h"

namespace cli {

bool parseTraceOption(const std::string& text, platform::TraceSettings& out, std::string& error);

} // namespace cli
