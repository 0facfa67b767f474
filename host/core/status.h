// Statuses the reference data server returns from its operations.
#pragma once

#include <cstdint>

#include "zrx/status.h"

namespace host {

namespace status = zrx::hoststatus;

// A short description of a host status, for logs and messages.
const char* describeHostStatus(int32_t status);

} // namespace host
