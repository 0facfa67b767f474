#include "history/episode_book.h"

#include <algorithm>

namespace history {

EpisodeBook::EpisodeBook(sqlite3* db)
    : db_(db),
      completeEpisodes_(db, "UPDATE EPISODES SET BLOCKED_MS = BLOCKED_MS + LAST_WAITERS * ?2 WHERE LAST_SAMPLE_ID = ?1"),
      completeHolders_(db, "UPDATE HOLDERS SET BLOCKED_MS = BLOCKED_MS + ?2 * (SELECT LAST_WAITERS FROM EPISODES "
                           "WHERE EPISODES.ID = HOLDERS.EPISODE_ID) WHERE LAST_SAMPLE_ID = ?1"),
      findOpen_(db, "SELECT ID FROM EPISODES WHERE ENQPLEX = ?1 AND MAJORNAME = ?2 AND MINORNAME = ?3 AND OPEN = 1"),
      extend_(db, "UPDATE EPISODES SET LAST_SEEN = ?2, SAMPLES = SAMPLES + 1, MAX_WAITERS = max(MAX_WAITERS, ?3), "
                  "MAX_WAIT = max(MAX_WAIT, ?4), LAST_SAMPLE_ID = ?5, LAST_WAITERS = ?3 WHERE ID = ?1"),
      open_(db, "INSERT INTO EPISODES (ENQPLEX, MAJORNAME, MINORNAME, FIRST_SEEN, LAST_SEEN, SAMPLES, MAX_WAITERS, "
                "MAX_WAIT, BLOCKED_MS, LAST_SAMPLE_ID, LAST_WAITERS, OPEN) VALUES (?1, ?2, ?3, ?4, ?4, 1, ?5, ?6, 0, "
                "?7, ?5, 1)"),
      findHolder_(db, "SELECT PLACE FROM HOLDERS WHERE EPISODE_ID = ?1 AND HOLDER = ?2"),
      touchHolder_(db, "UPDATE HOLDERS SET LAST_SAMPLE_ID = ?3 WHERE EPISODE_ID = ?1 AND PLACE = ?2"),
      nextPlace_(db, "SELECT COALESCE(MAX(PLACE), 0) + 1 FROM HOLDERS WHERE EPISODE_ID = ?1"),
      addHolder_(db, "INSERT INTO HOLDERS (EPISODE_ID, PLACE, HOLDER, BLOCKED_MS, LAST_SAMPLE_ID) "
                     "VALUES (?1, ?2, ?3, 0, ?4)"),
      close_(db, "UPDATE EPISODES SET OPEN = 0 WHERE OPEN = 1 AND LAST_SAMPLE_ID <> ?1") {}

bool EpisodeBook::ready(std::string& error) const {
    for (const Statement* s : {&completeEpisodes_, &completeHolders_, &findOpen_, &extend_, &open_, &findHolder_,
                               &touchHolder_, &nextPlace_, &addHolder_, &close_})
        if (!s->valid()) {
            error = s->prepareError();
            return false;
        }
    return true;
}

bool EpisodeBook::failed(const Statement& s, std::string& error) const {
    error = s.error().empty() ? sqlite3_errmsg(db_) : s.error();
    return false;
}

bool EpisodeBook::completePrevious(int64_t previousSample, int64_t intervalMs, std::string& error) {
    // Holders first: they read the episode's LAST_WAITERS, which stays as it is.
    if (!completeHolders_.bind(1, previousSample).bind(2, intervalMs).run()) return failed(completeHolders_, error);
    if (!completeEpisodes_.bind(1, previousSample).bind(2, intervalMs).run()) return failed(completeEpisodes_, error);
    return true;
}

bool EpisodeBook::sight(int64_t sample, int64_t takenMs, const Sighting& s, int64_t& episode, std::string& error) {
    findOpen_.bind(1, s.enqplex).bind(2, s.major).bind(3, s.minor);
    const int rc = findOpen_.step();
    const bool found = rc == SQLITE_ROW;
    if (found) episode = findOpen_.integer(0);
    findOpen_.reset();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return failed(findOpen_, error);
    if (found) {
        if (!extend_.bind(1, episode).bind(2, takenMs).bind(3, s.waiters).bind(4, s.maxWait).bind(5, sample).run())
            return failed(extend_, error);
    } else {
        if (!open_.bind(1, s.enqplex)
                 .bind(2, s.major)
                 .bind(3, s.minor)
                 .bind(4, takenMs)
                 .bind(5, s.waiters)
                 .bind(6, s.maxWait)
                 .bind(7, sample)
                 .run())
            return failed(open_, error);
        episode = sqlite3_last_insert_rowid(db_);
    }
    return addHolders(episode, sample, s.holders, error);
}

bool EpisodeBook::addHolders(int64_t episode, int64_t sample, const std::vector<std::string>& holders,
                             std::string& error) {
    for (const std::string& holder : holders) {
        findHolder_.bind(1, episode).bind(2, holder);
        const int rc = findHolder_.step();
        const int64_t place = rc == SQLITE_ROW ? findHolder_.integer(0) : 0;
        findHolder_.reset();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return failed(findHolder_, error);
        if (place > 0) {
            if (!touchHolder_.bind(1, episode).bind(2, place).bind(3, sample).run()) return failed(touchHolder_, error);
            continue;
        }
        nextPlace_.bind(1, episode);
        const int step = nextPlace_.step();
        const int64_t next = step == SQLITE_ROW ? nextPlace_.integer(0) : 0;
        nextPlace_.reset();
        if (step != SQLITE_ROW) return failed(nextPlace_, error);
        if (!addHolder_.bind(1, episode).bind(2, next).bind(3, holder).bind(4, sample).run())
            return failed(addHolder_, error);
    }
    return true;
}

bool EpisodeBook::closeUnseen(int64_t sample, std::string& error) {
    if (!close_.bind(1, sample).run()) return failed(close_, error);
    return true;
}

} // namespace history
