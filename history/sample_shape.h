// What a sample's rows say about its resources, for the episodes: who holds
// each resource, and which report rows open or extend an episode.
#pragma once

#include <string>
#include <vector>

#include "history/episode_book.h"
#include "zrx/mentrenq_row.h"

namespace history {

// OWNINGAS@SYSNAME of the owner rows of the resource `summary` reports,
// each once, in the order of `rows`.
std::vector<std::string> holdersOf(const zrx::MentrenqRow& summary, const std::vector<zrx::MentrenqRow>& rows);

// The sighting of the resource that `summary` reports, its rows given.
Sighting sightingOf(const zrx::MentrenqRow& summary, const std::vector<zrx::MentrenqRow>& rows);

} // namespace history
