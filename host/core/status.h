// Statuses the reference data server returns from its operations.
#pragma once

#include <cstdint>

#include "zrx/status.h"

namespace host {

namespace status = zrx::hoststatus;

} // namespace host
