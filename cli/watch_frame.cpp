#include "cli/watch_frame.h"

#include <algorithm>
#include <cmath>

#include "sql/utc_time.h"

namespace cli {

namespace {

std::string resourceKey(const picture::Resource& r) {
    std::string key = r.enqplex;
    key += '\0';
    key += r.major;
    key += '\0';
    key += r.minor;
    return key;
}

std::string waiterKey(const std::string& resource, const picture::Task& t) {
    std::string key = resource;
    key += '\0';
    key += t.job;
    key += '\0';
    key += t.sysname;
    key += '\0';
    key += std::to_string(t.asid);
    return key;
}

std::string resourceName(const picture::Resource& r) { return r.major + " " + r.minor + " (" + r.enqplex + ")"; }

} // namespace

std::string utcText(int64_t ms) { return host::sql::formatUtcTime(ms - ((ms % 1000) + 1000) % 1000); }

WatchFrame WatchTracker::update(const RefreshResult& result, int64_t refreshedMs, double nowSeconds) {
    WatchFrame frame;
    frame.refresh = ++refreshes_;
    frame.refreshedMs = refreshedMs;
    frame.captured = result.captured;
    frame.viewMs = result.viewMs;
    frame.history = result.history;
    frame.historyFailed = result.historyFailed;
    const picture::Picture* tree = result.picture;
    frame.problem = result.problem;
    if (tree && frame.problem.empty() && !tree->report.endedNormally()) frame.problem = tree->report.description();
    if (!tree || !frame.problem.empty()) {
        // Nothing of this refresh can be trusted: show the last good one as such.
        frame.status = frame.problem;
        frame.stale = seenOne_;
        frame.staleSince = lastRefreshed_;
        frame.resources = lastResources_;
        for (auto& r : frame.resources) {
            r.isNew = false;
            for (auto& w : r.waiters) w.isNew = false;
        }
        for (const auto& r : frame.resources) frame.waiters += r.waittaskct;
        return frame;
    }
    frame.status = tree->report.description();
    frame.notSeen = tree->passedOver.statements();
    frame.nothingRead = tree->passedOver.nothingRead();

    std::set<std::string> resources;
    std::set<std::string> unreadable; // resources whose tasks this refresh could not read
    std::map<std::string, WaiterSeen> waiterNames;
    std::map<std::string, double> waitingSince;
    for (const auto& r : tree->resources) {
        const std::string key = resourceKey(r);
        resources.insert(key);
        WatchedResource w;
        w.enqplex = r.enqplex;
        w.major = r.major;
        w.minor = r.minor;
        w.owntaskct = r.owntaskct;
        w.waittaskct = r.waittaskct;
        w.maxwaittm = r.maxwaittm;
        w.isNew = seenOne_ && !resources_.count(key);
        w.owners = r.owners;
        w.unavailable = r.unavailable;
        if (!r.unavailable.empty()) {
            // Its waiters are not known to have gone: keep how long they were seen.
            unreadable.insert(key);
            const std::string prefix = key + '\0';
            for (auto it = waitingSince_.lower_bound(prefix); it != waitingSince_.end() && it->first.rfind(prefix, 0) == 0;
                 ++it) {
                waitingSince.insert(*it);
                waiterNames.insert(*waiterNames_.find(it->first));
            }
        }
        for (const auto& t : r.waiters) {
            const std::string wkey = waiterKey(key, t);
            const auto before = waitingSince_.find(wkey);
            const double since = before == waitingSince_.end() ? nowSeconds : before->second;
            waitingSince[wkey] = since;
            waiterNames[wkey] = {key, "waiter " + t.job + " on " + t.sysname + " for " + resourceName(r)};
            w.waiters.push_back({t, seenOne_ && before == waitingSince_.end(),
                                 std::llround(std::max(0.0, nowSeconds - since))});
        }
        frame.waiters += r.waittaskct;
        frame.resources.push_back(std::move(w));
    }
    for (const auto& r : lastResources_) {
        picture::Resource named;
        named.enqplex = r.enqplex;
        named.major = r.major;
        named.minor = r.minor;
        if (!resources.count(resourceKey(named))) frame.cleared.push_back(resourceName(named));
    }
    for (const auto& [key, seen] : waiterNames_) {
        if (resources.count(seen.resource) && !unreadable.count(seen.resource) && !waitingSince.count(key))
            frame.cleared.push_back(seen.name);
    }
    std::stable_sort(frame.resources.begin(), frame.resources.end(), [](const auto& a, const auto& b) {
        if (a.maxwaittm != b.maxwaittm) return a.maxwaittm > b.maxwaittm;
        return a.waittaskct > b.waittaskct;
    });

    seenOne_ = true;
    resources_ = std::move(resources);
    waiterNames_ = std::move(waiterNames);
    waitingSince_ = std::move(waitingSince);
    lastResources_ = frame.resources;
    lastRefreshed_ = utcText(refreshedMs);
    return frame;
}

} // namespace cli
