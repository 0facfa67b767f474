#include "cli/episode_json.h"

#include "sql/utc_time.h"

namespace cli {

Json secondsJson(int64_t ms) {
    if (ms % 1000 == 0) return Json(ms / 1000);
    return Json(static_cast<double>(ms) / 1000.0);
}

Json episodesJson(const std::vector<history::Episode>& episodes) {
    using host::sql::formatUtcTime;
    Json array = Json::array();
    for (const auto& e : episodes) {
        Json holders = Json::array();
        for (const auto& h : e.holders) holders.push_back(jsonText(h));
        array.push_back(Json{{"ENQPLEX", jsonText(e.enqplex)},
                             {"MAJORNAME", jsonText(e.major)},
                             {"MINORNAME", jsonText(e.minor)},
                             {"FIRST_SEEN", formatUtcTime(e.firstSeenMs)},
                             {"LAST_SEEN", formatUtcTime(e.lastSeenMs)},
                             {"SAMPLES", e.samples},
                             {"MAX_WAITERS", e.maxWaiters},
                             {"MAX_WAIT", e.maxWait},
                             {"HOLDERS", std::move(holders)},
                             {"BLOCKED_SECONDS", secondsJson(e.blockedMs)},
                             {"OPEN", e.open}});
    }
    return array;
}

Json holderTotalsJson(const std::vector<history::HolderTotal>& holders) {
    Json array = Json::array();
    for (const auto& h : holders)
        array.push_back(
            Json{{"HOLDER", jsonText(h.holder)}, {"EPISODES", h.episodes}, {"BLOCKED_SECONDS", secondsJson(h.blockedMs)}});
    return array;
}

} // namespace cli
