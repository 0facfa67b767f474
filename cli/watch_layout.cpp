#include "cli/watch_layout.h"

#include <cstdio>

#include "cli/columns.h"
#include "cli/contention_tree.h"

namespace cli {

namespace {

std::string plural(int64_t n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

// "+ " marks what is new since the previous refresh.
std::string mark(bool isNew) { return isNew ? "+ " : "  "; }

ScreenLine summaryLine(const WatchedResource& r) {
    return {mark(r.isNew) + printableText(r.major + " " + r.minor + " (" + r.enqplex + ")") + "  " +
                plural(r.owntaskct, "owner") + ", " + plural(r.waittaskct, "waiter") + ", longest wait " +
                std::to_string(r.maxwaittm) + " s",
            r.isNew ? LineStyle::fresh : LineStyle::plain};
}

std::vector<ScreenLine> taskLines(const WatchedResource& r) {
    std::vector<ScreenLine> lines;
    if (!r.unavailable.empty()) lines.push_back({"      (tasks not available: " + printableText(r.unavailable) + ")"});
    for (const auto& t : r.owners)
        lines.push_back({"      owner  " + taskLine(t) + (t.trueOwner ? "  true owner" : "")});
    for (const auto& w : r.waiters)
        lines.push_back({"    " + mark(w.isNew) + "waiter " + taskLine(w.task) + "  waiting " +
                             std::to_string(w.task.waittime) + " s, seen " + std::to_string(w.seenSeconds) + " s",
                         w.isNew ? LineStyle::fresh : LineStyle::plain});
    return lines;
}

} // namespace

std::vector<ScreenLine> frameHeader(const WatchFrame& f, const std::string& source, const std::string& every) {
    std::vector<ScreenLine> lines;
    lines.push_back({"mentrenq watch  " + printableText(source) + "  every " + every + "  refresh " +
                         std::to_string(f.refresh) + " at " + utcText(f.refreshedMs),
                     LineStyle::title});
    char took[32];
    std::snprintf(took, sizeof took, "%.0f ms", f.viewMs);
    lines.push_back({"snapshot " + (f.captured.empty() ? std::string("built in") : printableText(f.captured)) + "  view " +
                     took + "  " + printableText(f.status)});
    if (!f.problem.empty()) {
        std::string text = "! " + printableText(f.problem);
        if (f.stale) text += "; showing the refresh of " + f.staleSince;
        lines.push_back({text, LineStyle::problem});
    }
    if (!f.history.empty())
        lines.push_back({(f.historyFailed ? "! " : "") + printableText(f.history),
                         f.historyFailed ? LineStyle::problem : LineStyle::plain});
    lines.push_back({plural(static_cast<int64_t>(f.resources.size()), "contended resource") + ", " +
                     plural(f.waiters, "waiting task") + "   (+ new since the last refresh)"});
    if (!f.cleared.empty()) {
        std::string text = "cleared:";
        for (std::size_t i = 0; i < f.cleared.size(); ++i) text += (i ? "; " : " ") + printableText(f.cleared[i]);
        lines.push_back({text, LineStyle::cleared});
    }
    for (const auto& statement : f.notSeen) lines.push_back({"Not seen: " + printableText(statement), LineStyle::problem});
    return lines;
}

std::vector<ScreenLine> frameBody(const WatchFrame& f, int rows) {
    std::vector<ScreenLine> lines;
    if (rows == 0) return lines;
    if (f.resources.empty()) {
        if (f.problem.empty())
            lines.push_back({f.notSeen.empty() ? "No contention."
                             : f.nothingRead   ? "No System was read."
                                               : "No contention among the Systems that were read."});
        return lines;
    }
    const std::size_t count = f.resources.size();
    std::size_t shown = 0;
    bool shortened = false; // from here on, summary lines only
    for (; shown < count; ++shown) {
        const WatchedResource& r = f.resources[shown];
        std::vector<ScreenLine> tasks = taskLines(r);
        const bool last = shown + 1 == count;
        if (rows >= 0) {
            // Room for this resource, and for the "more" line unless it is the last.
            const auto limit = static_cast<std::size_t>(rows);
            if (limit < lines.size() + (last ? 1 : 2)) break;
            const std::size_t room = limit - lines.size() - (last ? 0 : 1);
            if (shortened || 1 + tasks.size() > room) {
                shortened = true;
                tasks.clear();
            }
        }
        lines.push_back(summaryLine(r));
        lines.insert(lines.end(), tasks.begin(), tasks.end());
    }
    if (shown < count) {
        int64_t waiting = 0;
        for (std::size_t i = shown; i < count; ++i) waiting += f.resources[i].waittaskct;
        lines.push_back({"\u2026 " + std::to_string(count - shown) + " more (" + plural(waiting, "waiting task") + ")"});
    }
    return lines;
}

} // namespace cli
