// Opening a history to read its samples, for the commands that answer from
// the past (history, diff, query and tree with --history --at).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "history/reader.h"

namespace cli {

// The history at `path`, read-only; null with the message written and
// `status` the exit status: 2 for a file that is not a history of this
// version (left as it is), 3 when it cannot be read.
std::unique_ptr<history::Reader> openHistoryToRead(const std::string& path, int& status);

// The sample taken at or before `time` (an ISO-8601 UTC time, or a duration
// back from the last sample). False with the message written and `status`
// set when there is none or the history cannot be read.
bool sampleAt(history::Reader& reader, const std::string& path, const std::string& time, history::SampleInfo& out,
              int& status);

} // namespace cli
