// Opening a history to record samples into, for record and watch.
#pragma once

#include <memory>
#include <string>

#include "history/writer.h"

namespace cli {

// The history to record into: a history of this version, or a new path,
// where a new history is laid out and given the name only if nothing took
// it meanwhile. Anything else is refused untouched. Null, with the message
// written and `status` the exit status (2, or 3 when it cannot be written).
std::unique_ptr<history::Writer> openHistoryToWrite(const std::string& path, int& status);

} // namespace cli
