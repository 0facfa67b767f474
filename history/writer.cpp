#include "history/writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <tuple>

#include "history/episode_book.h"
#include "history/history_file.h"
#include "history/sample_shape.h"
#include "history/statement.h"
#include "history/stored_rows.h"

namespace history {

namespace {

// How long a statement waits for a reader's checkpoint or the like.
constexpr int busyTimeoutMs = 5000;

bool sqliteFailure(sqlite3* db, std::string& error) {
    error = db ? sqlite3_errmsg(db) : "out of memory";
    return false;
}

std::string lines(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) text += (text.empty() ? "" : "\n") + name;
    return text;
}

// The sample's resources that take part in episodes: the first report row
// of each resource, in a sample whose report ended normally.
std::vector<bool> sightedRows(const Sample& sample) {
    std::vector<bool> sighted(sample.report.size(), false);
    if (!sample.reportComplete()) return sighted;
    std::set<std::tuple<std::string_view, std::string_view, std::string_view>> seen;
    for (size_t i = 0; i < sample.report.size(); ++i) {
        const auto& r = sample.report[i];
        sighted[i] = seen.insert({storedText(r.enqplex), storedText(r.majorname), storedText(r.minorname)}).second;
    }
    return sighted;
}

const std::vector<zrx::MentrenqRow>& rowsOf(const Sample& sample, size_t i) {
    static const std::vector<zrx::MentrenqRow> none;
    return i < sample.resources.size() ? sample.resources[i].rows : none;
}

} // namespace

bool Writer::initialise(const std::string& emptyFile, std::string& error) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(emptyFile.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
        sqliteFailure(db, error);
        sqlite3_close(db);
        return false;
    }
    const std::string pragmas = "PRAGMA application_id = " + std::to_string(applicationId) +
                                "; PRAGMA user_version = " + std::to_string(schemaVersion) + ";";
    const std::string schema = std::string(historySchemaText()) + std::string(passedOverSchemaText());
    const bool ok = execute(db, "PRAGMA journal_mode = WAL;", error) && execute(db, "BEGIN;", error) &&
                    execute(db, schema.c_str(), error) && execute(db, pragmas.c_str(), error) &&
                    execute(db, "COMMIT;", error);
    // Closing checkpoints the WAL into the file and removes it.
    if (sqlite3_close(db) != SQLITE_OK && ok) {
        error = "cannot close the new history";
        return false;
    }
    return ok;
}

std::unique_ptr<Writer> Writer::open(const std::string& path, std::string& error, OpenProblem& problem) {
    problem = OpenProblem::Refused;
    const FileLook look = lookAtFile(path);
    if (look.kind != FileKind::History) {
        error = look.kind == FileKind::Missing ? "no history " + path : look.why;
        if (look.kind == FileKind::Unreadable) problem = OpenProblem::Failed;
        return nullptr;
    }
    problem = OpenProblem::Failed;
    const int lockFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (lockFd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        error = busy ? path + " is being recorded by another process" : "cannot lock " + path + ": " + std::strerror(errno);
        if (busy) problem = OpenProblem::Busy;
        ::close(lockFd);
        return nullptr;
    }
    holdFile(path);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    std::unique_ptr<Writer> writer(new Writer(db, lockFd, path));
    if (rc != SQLITE_OK) {
        sqliteFailure(db, error);
        error = "cannot open history " + path + ": " + error;
        return nullptr;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    Statement mode(db, "PRAGMA journal_mode = WAL");
    const bool wal = mode.valid() && mode.step() == SQLITE_ROW && mode.text(0) == "wal";
    const std::string passedOver(passedOverSchemaText());
    if (!wal || !execute(db, "PRAGMA synchronous = NORMAL;", error) || !execute(db, passedOver.c_str(), error)) {
        if (error.empty()) sqliteFailure(db, error);
        error = "cannot open history " + path + ": " + error;
        return nullptr;
    }
    std::optional<int64_t> last;
    if (!writer->lastTakenMs(last, error)) {
        error = "cannot read history " + path + ": " + error;
        return nullptr;
    }
    problem = OpenProblem::None;
    return writer;
}

Writer::Writer(sqlite3* db, int lockFd, std::string path) : db_(db), lockFd_(lockFd), path_(std::move(path)) {}

Writer::~Writer() {
    sqlite3_close(db_);
    releaseFile(path_);
    closeWhenUnused(lockFd_);
}

bool Writer::lastTakenMs(std::optional<int64_t>& taken, std::string& error) {
    Statement last(db_, "SELECT MAX(TAKEN_MS) FROM SAMPLES");
    if (!last.valid()) {
        error = last.prepareError();
        return false;
    }
    const int rc = last.step();
    if (rc != SQLITE_ROW) return sqliteFailure(db_, error);
    taken.reset();
    if (!last.isNull(0)) taken = last.integer(0);
    return true;
}

bool Writer::reach(WritePoint point, std::string& error) {
    if (!faultHook_ || faultHook_(point)) return true;
    error = "a fault injected at point " + std::to_string(static_cast<int>(point)) + " of the sample";
    return false;
}

bool Writer::append(const Sample& sample, std::optional<int64_t> keepMs, AppendResult& result, std::string& error) {
    result = AppendResult{};
    if (!execute(db_, "BEGIN IMMEDIATE;", error)) return false;
    if (transaction(sample, keepMs, result, error) && (result.outcome == AppendOutcome::NotLater
                                                           ? execute(db_, "ROLLBACK;", error)
                                                           : execute(db_, "COMMIT;", error)))
        return true;
    std::string ignored;
    execute(db_, "ROLLBACK;", ignored);
    result = AppendResult{};
    return false;
}

bool Writer::transaction(const Sample& sample, std::optional<int64_t> keepMs, AppendResult& result,
                         std::string& error) {
    if (!reach(WritePoint::AfterBegin, error)) return false;
    Statement last(db_, "SELECT ID, TAKEN_MS FROM SAMPLES ORDER BY TAKEN_MS DESC LIMIT 1");
    Statement nextRow(db_, "SELECT COALESCE(MAX(ID), 0) + 1 FROM ROWS");
    if (!last.valid() || !nextRow.valid()) {
        error = last.valid() ? nextRow.prepareError() : last.prepareError();
        return false;
    }
    int rc = last.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return sqliteFailure(db_, error);
    const bool hasPrevious = rc == SQLITE_ROW;
    const int64_t previous = hasPrevious ? last.integer(0) : 0;
    const int64_t previousTaken = hasPrevious ? last.integer(1) : 0;
    if (hasPrevious && sample.takenMs <= previousTaken) {
        result.outcome = AppendOutcome::NotLater;
        result.lastTakenMs = previousTaken;
        return true;
    }
    if (nextRow.step() != SQLITE_ROW) return sqliteFailure(db_, error);
    const int64_t firstRow = nextRow.integer(0);

    int64_t detailRows = 0, waiters = 0, longest = 0;
    for (const auto& r : sample.resources) detailRows += static_cast<int64_t>(r.rows.size());
    for (const auto& r : sample.report) {
        waiters += r.waittaskct;
        longest = std::max<int64_t>(longest, r.maxwaittm);
    }
    Statement insert(db_, "INSERT INTO SAMPLES (TAKEN_MS, CAPTURED, SNAPSHOT, SNAPSHOT_ID, STATUS, ABANDON, REASON, "
                          "VIEW_MS, ENQPLEXES, REPORT_ROWS, DETAIL_ROWS, WAITERS, LONGEST_WAIT, FIRST_ROW) "
                          "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    if (!insert.valid()) {
        error = insert.prepareError();
        return false;
    }
    std::optional<int64_t> status;
    if (sample.status) status = *sample.status;
    std::optional<std::string> reason;
    if (!sample.reason.empty()) reason = sample.reason;
    insert.bind(1, sample.takenMs)
        .bind(2, int64_t{sample.captured})
        .bind(3, sample.snapshot)
        .bind(4, sample.snapshotIdentity)
        .bind(5, status)
        .bind(6, int64_t{static_cast<int>(sample.abandon)})
        .bind(7, reason)
        .bind(8, sample.viewMs)
        .bind(9, lines(sample.enqplexes))
        .bind(10, static_cast<int64_t>(sample.report.size()))
        .bind(11, detailRows)
        .bind(12, waiters)
        .bind(13, longest)
        .bind(14, firstRow);
    if (!insert.run()) return sqliteFailure(db_, error);
    const int64_t sampleId = sqlite3_last_insert_rowid(db_);
    result.sampleId = sampleId;
    if (const picture::PassedOver& p = sample.passedOver; !p.everySystemRead()) {
        Statement passed(db_, "INSERT INTO PASSED_OVER (SAMPLE_ID, PLEXHUB_NODES, AGENT_NODES, UNNAMED_SYSTEM_ROWS, "
                              "SYSTEMS_WITHOUT_PLEXHUB, SYSTEMS_NOT_ASKED, SYSTEM_ROWS_READ, SYSTEM_ROWS_CONFIGURED) "
                              "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        passed.bind(1, sampleId)
            .bind(2, int64_t{p.plexHubNodes})
            .bind(3, int64_t{p.agentNodes})
            .bind(4, int64_t{p.unnamedSystemRows})
            .bind(5, int64_t{p.systemsWithoutPlexHub})
            .bind(6, int64_t{p.systemsNotAsked})
            .bind(7, p.systemRowsRead)
            .bind(8, p.systemRowsConfigured);
        if (!passed.run()) return sqliteFailure(db_, error);
    }
    if (!reach(WritePoint::AfterSample, error)) return false;

    EpisodeBook book(db_);
    if (!book.ready(error)) return false;
    if (hasPrevious) {
        const int64_t interval = sample.takenMs - previousTaken;
        Statement setInterval(db_, "UPDATE SAMPLES SET INTERVAL_MS = ?2 WHERE ID = ?1");
        if (!setInterval.bind(1, previous).bind(2, interval).run()) return sqliteFailure(db_, error);
        if (!book.completePrevious(previous, interval, error)) return false;
    }
    if (!reach(WritePoint::AfterPrevious, error)) return false;

    const std::vector<bool> sighted = sightedRows(sample);
    std::vector<int64_t> episodes(sample.report.size(), 0);
    for (size_t i = 0; i < sample.report.size(); ++i)
        if (sighted[i] && !book.sight(sampleId, sample.takenMs, sightingOf(sample.report[i], rowsOf(sample, i)),
                                      episodes[i], error))
            return false;
    if (!writeRows(sampleId, firstRow, sample, episodes, error)) return false;
    if (!reach(WritePoint::AfterRows, error)) return false;
    if (sample.reportComplete() && !book.closeUnseen(sampleId, error)) return false;
    if (!reach(WritePoint::AfterEpisodes, error)) return false;
    if (keepMs && !applyRetention(sample.takenMs, *keepMs, result, error)) return false;
    if (!reach(WritePoint::AfterRetention, error)) return false;
    return reach(WritePoint::BeforeCommit, error);
}

bool Writer::writeRows(int64_t sampleId, int64_t firstRow, const Sample& sample, const std::vector<int64_t>& episodes,
                       std::string& error) {
    Statement insert(db_, std::string("INSERT INTO ROWS (ID, SAMPLE_ID, RESOURCE, DETAIL, ") + rowColumnNames +
                              ", DETAIL_ROWS, DETAIL_STATUS, DETAIL_ABANDON, UNAVAILABLE, EPISODE_ID) VALUES (?1, ?2, ?3, "
                              "?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, "
                              "?23, ?24, ?25, ?26)");
    if (!insert.valid()) {
        error = insert.prepareError();
        return false;
    }
    int64_t id = firstRow;
    auto put = [&](int64_t resource, int64_t detail, const zrx::MentrenqRow& row) {
        insert.bind(1, id++).bind(2, sampleId).bind(3, resource).bind(4, detail);
        bindRow(insert, 5, row);
    };
    for (size_t i = 0; i < sample.report.size(); ++i) {
        const auto resource = static_cast<int64_t>(i + 1);
        put(resource, 0, sample.report[i]);
        if (i < sample.resources.size()) {
            const SampleResource& r = sample.resources[i];
            insert.bind(22, static_cast<int64_t>(r.rows.size()))
                .bind(23, int64_t{r.detailStatus})
                .bind(24, int64_t{static_cast<int>(r.abandon)});
            if (!r.unavailable.empty()) insert.bind(25, r.unavailable);
        } else {
            insert.bind(22, int64_t{0});
        }
        if (episodes[i] != 0) insert.bind(26, episodes[i]);
        if (!insert.run()) return sqliteFailure(db_, error);
        int64_t detail = 0;
        for (const auto& row : rowsOf(sample, i)) {
            put(resource, ++detail, row);
            if (!insert.run()) return sqliteFailure(db_, error);
        }
    }
    return true;
}

bool Writer::applyRetention(int64_t takenMs, int64_t keepMs, AppendResult& result, std::string& error) {
    const int64_t cutoff = takenMs - keepMs;
    Statement oldest(db_, "SELECT FIRST_ROW FROM SAMPLES WHERE TAKEN_MS >= ?1 ORDER BY TAKEN_MS LIMIT 1");
    Statement older(db_, "SELECT COUNT(*) FROM SAMPLES WHERE TAKEN_MS < ?1");
    if (!oldest.valid() || !older.valid()) return sqliteFailure(db_, error);
    older.bind(1, cutoff);
    if (older.step() != SQLITE_ROW) return sqliteFailure(db_, error);
    result.samplesDeleted = older.integer(0);
    if (result.samplesDeleted == 0) return true;
    oldest.bind(1, cutoff);
    if (oldest.step() != SQLITE_ROW) return sqliteFailure(db_, error);
    const int64_t firstKeptRow = oldest.integer(0);

    Statement rows(db_, "DELETE FROM ROWS WHERE ID < ?1");
    Statement passedOver(db_, "DELETE FROM PASSED_OVER WHERE SAMPLE_ID IN (SELECT ID FROM SAMPLES WHERE TAKEN_MS < ?1)");
    Statement samples(db_, "DELETE FROM SAMPLES WHERE TAKEN_MS < ?1");
    Statement holders(db_, "DELETE FROM HOLDERS WHERE EPISODE_ID IN (SELECT ID FROM EPISODES WHERE LAST_SEEN < ?1)");
    Statement episodes(db_, "DELETE FROM EPISODES WHERE LAST_SEEN < ?1");
    Statement straddling(db_, "SELECT ID FROM EPISODES WHERE FIRST_SEEN < ?1");
    if (!rows.bind(1, firstKeptRow).run() || !passedOver.bind(1, cutoff).run() || !samples.bind(1, cutoff).run() || !holders.bind(1, cutoff).run() ||
        !episodes.bind(1, cutoff).run())
        return sqliteFailure(db_, error);
    std::vector<int64_t> cut;
    straddling.bind(1, cutoff);
    int rc;
    while ((rc = straddling.step()) == SQLITE_ROW) cut.push_back(straddling.integer(0));
    if (rc != SQLITE_DONE) return sqliteFailure(db_, error);
    for (int64_t episode : cut)
        if (!recomputeEpisode(episode, error)) return false;
    return true;
}

// An episode that began before the samples that retention deleted: its
// figures again, from the samples that remain, the way the samples built
// them one by one.
bool Writer::recomputeEpisode(int64_t episode, std::string& error) {
    Statement sightings(db_, "SELECT r.ID, r.SAMPLE_ID, s.TAKEN_MS, COALESCE(s.INTERVAL_MS, 0), r.DETAIL_ROWS, " +
                                 std::string(rowColumnNames) +
                                 " FROM ROWS r JOIN SAMPLES s ON s.ID = r.SAMPLE_ID WHERE r.EPISODE_ID = ?1 "
                                 "ORDER BY s.TAKEN_MS");
    Statement details(db_, "SELECT " + std::string(rowColumnNames) + " FROM ROWS WHERE ID > ?1 AND ID <= ?2 ORDER BY ID");
    if (!sightings.valid() || !details.valid()) return sqliteFailure(db_, error);
    struct Holder {
        std::string name;
        int64_t blocked = 0, lastSample = 0;
    };
    std::vector<Holder> holders;
    int64_t first = 0, samples = 0, maxWaiters = 0, maxWait = 0, blocked = 0;
    sightings.bind(1, episode);
    int rc;
    while ((rc = sightings.step()) == SQLITE_ROW) {
        const int64_t rowId = sightings.integer(0), sample = sightings.integer(1), taken = sightings.integer(2),
                      interval = sightings.integer(3), detailCount = sightings.integer(4);
        const zrx::MentrenqRow summary = readRow(sightings, 5);
        std::vector<zrx::MentrenqRow> rows;
        details.bind(1, rowId).bind(2, rowId + detailCount);
        int d;
        while ((d = details.step()) == SQLITE_ROW) rows.push_back(readRow(details, 0));
        details.reset();
        if (d != SQLITE_DONE) return sqliteFailure(db_, error);
        const Sighting s = sightingOf(summary, rows);
        if (samples++ == 0) first = taken;
        maxWaiters = std::max(maxWaiters, s.waiters);
        maxWait = std::max(maxWait, s.maxWait);
        blocked += s.waiters * interval;
        for (const auto& name : s.holders) {
            auto it = std::find_if(holders.begin(), holders.end(), [&](const Holder& h) { return h.name == name; });
            if (it == holders.end()) it = holders.insert(holders.end(), Holder{name});
            it->blocked += s.waiters * interval;
            it->lastSample = sample;
        }
    }
    if (rc != SQLITE_DONE) return sqliteFailure(db_, error);
    Statement update(db_, "UPDATE EPISODES SET FIRST_SEEN = ?2, SAMPLES = ?3, MAX_WAITERS = ?4, MAX_WAIT = ?5, "
                          "BLOCKED_MS = ?6 WHERE ID = ?1");
    Statement clear(db_, "DELETE FROM HOLDERS WHERE EPISODE_ID = ?1");
    Statement add(db_, "INSERT INTO HOLDERS (EPISODE_ID, PLACE, HOLDER, BLOCKED_MS, LAST_SAMPLE_ID) "
                       "VALUES (?1, ?2, ?3, ?4, ?5)");
    if (!update.bind(1, episode).bind(2, first).bind(3, samples).bind(4, maxWaiters).bind(5, maxWait).bind(6, blocked).run() ||
        !clear.bind(1, episode).run())
        return sqliteFailure(db_, error);
    int64_t place = 0;
    for (const Holder& h : holders)
        if (!add.bind(1, episode).bind(2, ++place).bind(3, h.name).bind(4, h.blocked).bind(5, h.lastSample).run())
            return sqliteFailure(db_, error);
    return true;
}

} // namespace history
