#include "history/reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>

#include "history/history_file.h"
#include "history/statement.h"
#include "history/stored_rows.h"
#include "sql/utc_time.h"

namespace history {

namespace {

constexpr int busyTimeoutMs = 5000;

constexpr const char* sampleColumns =
    "ID, TAKEN_MS, CAPTURED, SNAPSHOT, SNAPSHOT_ID, STATUS, ABANDON, REASON, VIEW_MS, REPORT_ROWS, DETAIL_ROWS, "
    "WAITERS, LONGEST_WAIT, INTERVAL_MS, FIRST_ROW, ENQPLEXES";

SampleInfo sampleFrom(const Statement& s) {
    SampleInfo info;
    info.id = s.integer(0);
    info.takenMs = s.integer(1);
    info.captured = s.integer(2) != 0;
    info.snapshot = s.text(3);
    info.snapshotIdentity = s.text(4);
    if (!s.isNull(5)) info.status = static_cast<int32_t>(s.integer(5));
    info.abandon = static_cast<zrx::Abandon>(s.integer(6));
    info.reason = s.text(7);
    info.viewMs = s.real(8);
    info.reportRows = s.integer(9);
    info.detailRows = s.integer(10);
    info.waiters = s.integer(11);
    info.longestWait = s.integer(12);
    if (!s.isNull(13)) info.intervalMs = s.integer(13);
    return info;
}

bool failure(sqlite3* db, std::string& error) {
    error = sqlite3_errmsg(db);
    return false;
}

// The conditions of a window on EPISODES (alias e), with its values.
std::string windowWhere(const Window& w, std::vector<int64_t>& values) {
    std::string where = "1";
    if (w.sinceMs) {
        values.push_back(*w.sinceMs);
        where += " AND e.LAST_SEEN >= ?" + std::to_string(values.size());
    }
    if (w.untilMs) {
        values.push_back(*w.untilMs);
        where += " AND e.FIRST_SEEN <= ?" + std::to_string(values.size());
    }
    if (w.openOnly) where += " AND e.OPEN = 1";
    return where;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (!text.empty() && at <= text.size()) {
        const size_t end = text.find('\n', at);
        out.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return out;
}

} // namespace

std::unique_ptr<Reader> Reader::open(const std::string& path, std::string& error, OpenProblem& problem) {
    problem = OpenProblem::Refused;
    const FileLook look = lookAtFile(path);
    if (look.kind != FileKind::History) {
        error = look.kind == FileKind::Missing ? "no history " + path : look.why;
        if (look.kind == FileKind::Unreadable) problem = OpenProblem::Failed;
        return nullptr;
    }
    problem = OpenProblem::Failed;
    holdFile(path);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW, nullptr);
    std::unique_ptr<Reader> reader(new Reader(db, path));
    if (rc != SQLITE_OK) {
        error = "cannot open history " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        return nullptr;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    if (!reader->begin(error)) {
        error = "cannot read history " + path + ": " + error;
        return nullptr;
    }
    problem = OpenProblem::None;
    return reader;
}

Reader::Reader(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}

Reader::~Reader() {
    sqlite3_close(db_);
    releaseFile(path_);
}

bool Reader::begin(std::string& error) {
    if (reading_) return true;
    // BEGIN alone takes no snapshot of the WAL; the first read does.
    if (!execute(db_, "BEGIN;", error)) return false;
    Statement touch(db_, "SELECT COUNT(*) FROM SAMPLES WHERE ID = 0");
    if (!touch.valid() || touch.step() != SQLITE_ROW) {
        error = touch.valid() ? sqlite3_errmsg(db_) : touch.prepareError();
        std::string ignored;
        execute(db_, "ROLLBACK;", ignored);
        return false;
    }
    reading_ = true;
    return true;
}

void Reader::refresh() {
    if (!reading_) return;
    std::string ignored;
    execute(db_, "COMMIT;", ignored);
    reading_ = false;
}

bool Reader::visitSamples(const std::string& where, const std::vector<int64_t>& values, const std::string& order,
                          const std::function<void(const SampleInfo&)>& take, std::string& error) {
    if (!begin(error)) return false;
    Statement s(db_, std::string("SELECT ") + sampleColumns + " FROM SAMPLES WHERE " + where + " " + order);
    if (!s.valid()) {
        error = s.prepareError();
        return false;
    }
    for (size_t i = 0; i < values.size(); ++i) s.bind(static_cast<int>(i + 1), values[i]);
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) take(sampleFrom(s));
    return rc == SQLITE_DONE || failure(db_, error);
}

bool Reader::readSamples(const std::string& where, const std::vector<int64_t>& values, std::vector<SampleInfo>& out,
                         std::string& error, const std::string& order) {
    return visitSamples(where, values, order, [&out](const SampleInfo& info) { out.push_back(info); }, error);
}

bool Reader::first(std::optional<SampleInfo>& out, std::string& error) {
    std::vector<SampleInfo> found;
    out.reset();
    if (!readSamples("1", {}, found, error, "ORDER BY TAKEN_MS LIMIT 1")) return false;
    if (!found.empty()) out = found.front();
    return true;
}

bool Reader::last(std::optional<SampleInfo>& out, std::string& error) {
    std::vector<SampleInfo> found;
    out.reset();
    if (!readSamples("1", {}, found, error, "ORDER BY TAKEN_MS DESC LIMIT 1")) return false;
    if (!found.empty()) out = found.front();
    return true;
}

bool Reader::at(int64_t ms, std::optional<SampleInfo>& out, std::string& error) {
    std::vector<SampleInfo> found;
    out.reset();
    if (!readSamples("TAKEN_MS <= ?1", {ms}, found, error, "ORDER BY TAKEN_MS DESC LIMIT 1")) return false;
    if (!found.empty()) out = found.front();
    return true;
}

bool Reader::samples(std::optional<int64_t> sinceMs, std::optional<int64_t> untilMs, std::vector<SampleInfo>& out,
                     std::string& error) {
    return eachSample(sinceMs, untilMs, [&out](const SampleInfo& info) { out.push_back(info); }, error);
}

bool Reader::eachSample(std::optional<int64_t> sinceMs, std::optional<int64_t> untilMs,
                        const std::function<void(const SampleInfo&)>& take, std::string& error) {
    std::vector<int64_t> values;
    std::string where = "1";
    if (sinceMs) {
        values.push_back(*sinceMs);
        where += " AND TAKEN_MS >= ?" + std::to_string(values.size());
    }
    if (untilMs) {
        values.push_back(*untilMs);
        where += " AND TAKEN_MS <= ?" + std::to_string(values.size());
    }
    return visitSamples(where, values, "ORDER BY TAKEN_MS", take, error);
}

bool Reader::lastSamples(int64_t count, std::vector<SampleInfo>& out, std::string& error) {
    std::vector<SampleInfo> found;
    if (!readSamples("1", {}, found, error, "ORDER BY TAKEN_MS DESC LIMIT " + std::to_string(count))) return false;
    out.assign(found.rbegin(), found.rend());
    return true;
}

bool Reader::sampleCount(int64_t& count, std::string& error) {
    if (!begin(error)) return false;
    Statement s(db_, "SELECT COUNT(*) FROM SAMPLES");
    if (!s.valid() || s.step() != SQLITE_ROW) return failure(db_, error);
    count = s.integer(0);
    return true;
}

bool Reader::content(const SampleInfo& info, Sample& out, std::string& error) {
    if (!begin(error)) return false;
    Statement head(db_, std::string("SELECT ") + sampleColumns + " FROM SAMPLES WHERE ID = ?1");
    if (!head.valid()) {
        error = head.prepareError();
        return false;
    }
    head.bind(1, info.id);
    if (head.step() != SQLITE_ROW) {
        error = "the sample of " + host::sql::formatUtcTime(info.takenMs) + " is no longer in the history";
        return false;
    }
    const SampleInfo stored = sampleFrom(head);
    const int64_t firstRow = head.integer(14);
    out = Sample{};
    out.takenMs = stored.takenMs;
    out.captured = stored.captured;
    out.snapshot = stored.snapshot;
    out.snapshotIdentity = stored.snapshotIdentity;
    out.status = stored.status;
    out.abandon = stored.abandon;
    out.reason = stored.reason;
    out.viewMs = stored.viewMs;
    out.enqplexes = splitLines(head.text(15));

    Statement rows(db_, std::string("SELECT DETAIL, DETAIL_ROWS, DETAIL_STATUS, UNAVAILABLE, DETAIL_ABANDON, ") +
                            rowColumnNames +
                            " FROM ROWS WHERE ID >= ?1 AND ID < ?2 ORDER BY ID");
    if (!rows.valid()) {
        error = rows.prepareError();
        return false;
    }
    rows.bind(1, firstRow).bind(2, firstRow + stored.reportRows + stored.detailRows);
    int rc;
    while ((rc = rows.step()) == SQLITE_ROW) {
        const zrx::MentrenqRow row = readRow(rows, 5);
        if (rows.integer(0) != 0) {
            if (!out.resources.empty()) out.resources.back().rows.push_back(row);
            continue;
        }
        out.report.push_back(row);
        if (rows.isNull(2)) continue; // a report row without its own query (a failed report)
        SampleResource r;
        r.detailStatus = static_cast<int32_t>(rows.integer(2));
        r.unavailable = rows.text(3);
        r.abandon = static_cast<zrx::Abandon>(rows.integer(4));
        r.rows.reserve(static_cast<size_t>(rows.integer(1)));
        out.resources.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) return failure(db_, error);
    return passedOver(info.id, out, error);
}

bool Reader::passedOver(int64_t sampleId, Sample& sample, std::string& error) {
    Statement kept(db_, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'PASSED_OVER'");
    if (!kept.valid()) return failure(db_, error);
    const int rc = kept.step();
    if (rc == SQLITE_DONE) return true; // a history written before it was kept
    if (rc != SQLITE_ROW) return failure(db_, error);
    sample.passedOverKept = true;
    picture::PassedOver& out = sample.passedOver;
    Statement s(db_, "SELECT PLEXHUB_NODES, AGENT_NODES, UNNAMED_SYSTEM_ROWS, SYSTEMS_WITHOUT_PLEXHUB, "
                     "SYSTEMS_NOT_ASKED, SYSTEM_ROWS_READ, SYSTEM_ROWS_CONFIGURED FROM PASSED_OVER WHERE SAMPLE_ID = ?1");
    if (!s.valid()) {
        error = s.prepareError();
        return false;
    }
    s.bind(1, sampleId);
    const int found = s.step();
    if (found == SQLITE_DONE) return true;
    if (found != SQLITE_ROW) return failure(db_, error);
    auto count = [&](int column) { return static_cast<int>(std::clamp<int64_t>(s.integer(column), 0, INT32_MAX)); };
    out.plexHubNodes = count(0);
    out.agentNodes = count(1);
    out.unnamedSystemRows = count(2);
    out.systemsWithoutPlexHub = count(3);
    out.systemsNotAsked = count(4);
    out.systemRowsRead = std::max<int64_t>(s.integer(5), -1);
    out.systemRowsConfigured = std::max<int64_t>(s.integer(6), -1);
    return true;
}

bool Reader::episodes(const Window& window, std::vector<Episode>& out, std::string& error) {
    if (!begin(error)) return false;
    std::vector<int64_t> values;
    const std::string where = windowWhere(window, values);
    Statement s(db_, "SELECT e.ID, e.ENQPLEX, e.MAJORNAME, e.MINORNAME, e.FIRST_SEEN, e.LAST_SEEN, e.SAMPLES, "
                     "e.MAX_WAITERS, e.MAX_WAIT, e.BLOCKED_MS, e.OPEN FROM EPISODES e WHERE " +
                         where + " ORDER BY e.BLOCKED_MS DESC, e.FIRST_SEEN, e.ENQPLEX, e.MAJORNAME, e.MINORNAME");
    Statement holders(db_, "SELECT HOLDER FROM HOLDERS WHERE EPISODE_ID = ?1 ORDER BY PLACE");
    if (!s.valid() || !holders.valid()) {
        error = s.valid() ? holders.prepareError() : s.prepareError();
        return false;
    }
    for (size_t i = 0; i < values.size(); ++i) s.bind(static_cast<int>(i + 1), values[i]);
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        Episode e;
        e.id = s.integer(0);
        e.enqplex = s.text(1);
        e.major = s.text(2);
        e.minor = s.text(3);
        e.firstSeenMs = s.integer(4);
        e.lastSeenMs = s.integer(5);
        e.samples = s.integer(6);
        e.maxWaiters = s.integer(7);
        e.maxWait = s.integer(8);
        e.blockedMs = s.integer(9);
        e.open = s.integer(10) != 0;
        holders.bind(1, e.id);
        int h;
        while ((h = holders.step()) == SQLITE_ROW) e.holders.push_back(holders.text(0));
        holders.reset();
        if (h != SQLITE_DONE) return failure(db_, error);
        out.push_back(std::move(e));
    }
    return rc == SQLITE_DONE || failure(db_, error);
}

bool Reader::holderTotals(const Window& window, std::vector<HolderTotal>& out, std::string& error) {
    if (!begin(error)) return false;
    std::vector<int64_t> values;
    const std::string where = windowWhere(window, values);
    Statement s(db_, "SELECT h.HOLDER, SUM(h.BLOCKED_MS), COUNT(*) FROM HOLDERS h JOIN EPISODES e ON "
                     "e.ID = h.EPISODE_ID WHERE " +
                         where + " GROUP BY h.HOLDER ORDER BY SUM(h.BLOCKED_MS) DESC, h.HOLDER");
    if (!s.valid()) {
        error = s.prepareError();
        return false;
    }
    for (size_t i = 0; i < values.size(); ++i) s.bind(static_cast<int>(i + 1), values[i]);
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) out.push_back({s.text(0), s.integer(1), s.integer(2)});
    return rc == SQLITE_DONE || failure(db_, error);
}

bool parseDuration(const std::string& text, int64_t& ms) {
    if (text.size() < 2 || text.size() > 12) return false;
    int64_t n = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        n = n * 10 + (text[i] - '0');
    }
    int64_t unit = 0;
    switch (text.back()) {
    case 's': unit = 1000; break;
    case 'm': unit = 60 * 1000; break;
    case 'h': unit = 3600 * 1000; break;
    case 'd': unit = 86400 * 1000; break;
    default: return false;
    }
    if (n <= 0 || n > 100000000) return false;
    ms = n * unit;
    return true;
}

bool resolveTime(const std::string& text, std::optional<int64_t> lastMs, int64_t& out, std::string& error) {
    if (const auto time = host::sql::parseUtcTime(text)) {
        out = *time;
        return true;
    }
    int64_t back = 0;
    if (!parseDuration(text, back)) {
        error = "\"" + text + "\" is neither an ISO-8601 UTC time (2026-12-10T08:15:00Z) nor a duration (30s, 10m, 2h, 7d)";
        return false;
    }
    if (!lastMs) {
        error = "\"" + text + "\" counts back from the last sample, and the history has none";
        return false;
    }
    out = *lastMs - back;
    return true;
}

std::string secondsText(int64_t ms) {
    const bool negative = ms < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(ms) : static_cast<uint64_t>(ms);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 1000);
    if (const uint64_t rest = magnitude % 1000) {
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, ".%03u", static_cast<unsigned>(rest));
        std::string f = fraction;
        while (f.back() == '0') f.pop_back();
        text += f;
    }
    return text;
}

} // namespace history
