// Tells the module's statements apart by the table they read.
#pragma once

#include <string_view>

#include "core/fault_plan.h"

namespace host {

StatementKind classifyStatement(std::string_view text);

} // namespace host
