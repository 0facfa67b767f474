#include "picture/view_trace.h"

#include <mutex>
#include <string_view>

#include "zrx/platform.h"
#include "zrx/status.h"

namespace picture {

namespace {

// The routines whose lines at the error level tell what discovery passed
// over, and DoMxcfsysRow, whose calls count the MXCFSYS rows read.
constexpr std::string_view watched[] = {"FigConfig", "DoMxcfsysRow", "enqmlcpr"};
constexpr int figConfig = 0, doMxcfsysRow = 1, enqmlcpr = 2;

struct Settings {
    std::mutex mutex;
    platform::TraceSettings user;
    bool summarise = false;
    bool set = false;
};

Settings& readingSettings() {
    static Settings s;
    return s;
}

int watchedIndex(std::string_view routine) {
    for (int i = 0; i < 3; ++i)
        if (routine == watched[i]) return i;
    return -1;
}

bool startsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }
bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Which count a line of routine `index` adds to; null for a line that tells
// nothing passed over. `errorLevel`: whether the module writes the line
// only at the error level, so that a user who did not ask for that level
// must not see it. The texts are the module's formats around their values.
int* countOf(PassedOver& p, int index, std::string_view text, bool& errorLevel) {
    errorLevel = true;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    switch (index) {
    case figConfig:
        if (startsWith(text, "PlexHub node \"") && endsWith(text, "\" passed over: no PlexHub name or no thru-node"))
            return &p.plexHubNodes;
        if (startsWith(text, "Agent node \"") && endsWith(text, "\" passed over: no System name or no thru-node"))
            return &p.agentNodes;
        if (startsWith(text, "createReq failure(")) return nullptr;
        break;
    case doMxcfsysRow:
        if (startsWith(text, "MXCFSYS row without a System name passed over (")) return &p.unnamedSystemRows;
        if (startsWith(text, "System ") && endsWith(text, "\" has no name before \":\""))
            return &p.systemsWithoutPlexHub;
        break;
    case enqmlcpr: {
        const auto from = text.find_first_not_of(' ');
        const std::string_view trimmed = from == std::string_view::npos ? "" : text.substr(from);
        if (trimmed == "No ThruNode info - skipping this System") return &p.systemsNotAsked;
        if (startsWith(text, "createReq failure(") || text == "Data server parameter list not found." ||
            text == zrx::abandonline::noWorkArea)
            return nullptr;
        break;
    }
    default: break;
    }
    errorLevel = false;
    return nullptr;
}

std::string counted(int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::vector<std::string> PassedOver::statements() const {
    std::vector<std::string> out;
    if (plexHubNodes > 0)
        out.push_back(counted(plexHubNodes, "PlexHub node", "PlexHub nodes") +
                      " passed over (no PlexHub name or no thru-node): " + (plexHubNodes == 1 ? "its" : "their") +
                      " Systems are not in this picture");
    if (systemsWithoutPlexHub > 0)
        out.push_back(counted(systemsWithoutPlexHub, "System", "Systems") +
                      " passed over (the PlexHub node has no name)");
    if (unnamedSystemRows > 0)
        out.push_back(counted(unnamedSystemRows, "MXCFSYS row", "MXCFSYS rows") +
                      " without a System name passed over");
    if (agentNodes > 0)
        out.push_back(counted(agentNodes, "agent node", "agent nodes") +
                      " passed over (no System name or no thru-node)");
    if (systemsNotAsked > 0)
        out.push_back(counted(systemsNotAsked, "System", "Systems") +
                      " not asked for " + (systemsNotAsked == 1 ? "its" : "their") +
                      " tasks on resources that other PlexHubs reported (no online agent node gives a thru-node)");
    if (systemRowsRead >= 0 && systemRowsConfigured == 0)
        out.push_back("the snapshot configures no System (MXCFSYS has no rows): nothing was read");
    else if (systemRowsRead >= 0 && systemRowsRead < systemRowsConfigured)
        out.push_back(std::to_string(systemRowsConfigured - systemRowsRead) + " of " +
                      counted(systemRowsConfigured, "MXCFSYS row", "MXCFSYS rows") +
                      " not read: no online PlexHub's thru-node leads to " +
                      (systemRowsConfigured - systemRowsRead == 1 ? "it" : "them"));
    return out;
}

void useTraceSettings(const platform::TraceSettings& user, bool summarise) {
    platform::TraceSettings module = user;
    for (int i = 0; i < 3; ++i) {
        uint32_t flags = user.flagsFor(watched[i]) | zrx::traceflag::Error;
        if (i == doMxcfsysRow) flags |= zrx::traceflag::Events;
        module.routines[std::string(watched[i])] = flags;
    }
    Settings& s = readingSettings();
    {
        std::lock_guard lock(s.mutex);
        s.user = user;
        s.summarise = summarise;
        s.set = true;
    }
    platform::setTraceSettings(module);
}

void stopReadingTrace(const platform::TraceSettings& settings) {
    Settings& s = readingSettings();
    {
        std::lock_guard lock(s.mutex);
        s.user = settings;
        s.summarise = false;
        s.set = false;
    }
    platform::setTraceSettings(settings);
}

bool userTraceIsOn() {
    Settings& s = readingSettings();
    std::lock_guard lock(s.mutex);
    if (!s.set) return platform::traceIsOn();
    return s.user.defaultFlags != 0 || !s.user.routines.empty();
}

TraceReader::TraceReader(bool countSystemRows) : previous_(platform::threadTraceSink()) {
    bool userEvents = false;
    {
        Settings& s = readingSettings();
        std::lock_guard lock(s.mutex);
        reading_ = s.set;
        summarise_ = s.summarise;
        for (int i = 0; i < 3; ++i) userFlags_[i] = s.user.flagsFor(watched[i]);
        userEvents = (s.user.defaultFlags & zrx::traceflag::Events) != 0;
        for (const auto& [routine, flags] : s.user.routines) userEvents |= (flags & zrx::traceflag::Events) != 0;
    }
    counting_ = reading_ && countSystemRows;
    // Only DoMxcfsysRow traces events the user did not ask for.
    takesEvents_ = counting_ || userEvents || !reading_;
    if (counting_) seen_.passedOver.systemRowsRead = 0;
    platform::setThreadTraceSink(this);
}

TraceReader::~TraceReader() { platform::setThreadTraceSink(previous_); }

void TraceReader::handOn(const platform::TraceRecord& record) {
    if (previous_) previous_->write(record);
    else platform::writeTrace(record);
}

void TraceReader::write(const platform::TraceRecord& record) {
    const int index = watchedIndex(record.routine);
    if (record.kind != platform::TraceKind::Line) {
        if (index == doMxcfsysRow && reading_) {
            if (counting_ && record.kind == platform::TraceKind::Entry) ++seen_.passedOver.systemRowsRead;
            if (!(userFlags_[doMxcfsysRow] & zrx::traceflag::Events)) return;
        }
        if (!summarise_) handOn(record);
        return;
    }
    if (index >= 0) {
        bool errorLevel = false;
        if (int* count = countOf(seen_.passedOver, index, record.text, errorLevel)) ++*count;
        if (errorLevel && reading_ && !(userFlags_[index] & zrx::traceflag::Error)) return;
    }
    TraceSummary& summary = seen_.summary;
    if (summary.first.empty()) {
        summary.first = record.routine + ": " + record.text;
        while (!summary.first.empty() && summary.first.back() == '\n') summary.first.pop_back();
    } else {
        ++summary.others;
    }
    if (!summarise_) handOn(record);
}

int64_t configuredSystemRows(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM main.MXCFSYS", -1, &statement, nullptr) != SQLITE_OK) return -1;
    const int64_t rows = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    return rows;
}

} // namespace picture
