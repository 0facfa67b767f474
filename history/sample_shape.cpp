#include "history/sample_shape.h"

#include <algorithm>

#include "history/stored_rows.h"

namespace history {

std::vector<std::string> holdersOf(const zrx::MentrenqRow& summary, const std::vector<zrx::MentrenqRow>& rows) {
    std::vector<std::string> holders;
    for (const auto& row : rows) {
        if (!isOwnerRow(row) || !sameResourceAs(row, summary)) continue;
        std::string holder = holderOf(row);
        if (std::find(holders.begin(), holders.end(), holder) == holders.end()) holders.push_back(std::move(holder));
    }
    return holders;
}

Sighting sightingOf(const zrx::MentrenqRow& summary, const std::vector<zrx::MentrenqRow>& rows) {
    Sighting s;
    s.enqplex = storedText(summary.enqplex);
    s.major = storedText(summary.majorname);
    s.minor = storedText(summary.minorname);
    s.waiters = summary.waittaskct;
    s.maxWait = summary.maxwaittm;
    s.holders = holdersOf(summary, rows);
    return s;
}

} // namespace history
