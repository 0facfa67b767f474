// The episodes of a history and the holders ranked over them as JSON, as
// `mentrenq history --format json` writes them and the server hands them
// out: one writer, so the two never drift apart.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/json_text.h"
#include "history/reader.h"

namespace cli {

// A number of seconds: whole, or with its milliseconds.
Json secondsJson(int64_t ms);

// [{"ENQPLEX": ..., "BLOCKED_SECONDS": ..., "OPEN": ...}, ...] in the given order.
Json episodesJson(const std::vector<history::Episode>& episodes);
// [{"HOLDER": ..., "EPISODES": ..., "BLOCKED_SECONDS": ...}, ...] in the given order.
Json holderTotalsJson(const std::vector<history::HolderTotal>& holders);

} // namespace cli
