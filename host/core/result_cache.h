// Answers to statements already read, kept per snapshot version.
//
// Within one version of a snapshot the same statement text always gives the
// same rows. A session of the view asks the same configuration questions as
// every other session (the hubs, the thru-nodes, each hub's members), so a
// host that runs many sessions on one version answers those from here
// instead of SQLite. Only the answer is reused: every statement still goes
// through the host's services (plan, request, fetch), so the module, the
// statement log, the fault plan and the trace see exactly what they saw
// without the cache.
//
// The cache holds answers of one version at a time: an answer asked for or
// offered with another version drops every answer kept. It is bounded in
// bytes; the answer used longest ago goes first, and an answer larger than a
// quarter of the bound is not kept. Safe to share between threads; each
// thread reads it through a Reader of its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/statement_kind.h"
#include "sql/cells.h"
#include "sql/column_types.h"
#include "sql/snapshot_version.h"
#include "sql/text_hash.h"

namespace host {

// A statement's whole answer, as the snapshot delivered it.
struct CachedAnswer {
    StatementKind kind = StatementKind::Other;
    std::vector<sql::ColumnSpec> columns;
    std::vector<std::vector<sql::Cell>> rows;

    // What keeping it costs, roughly: its cells, rows and columns.
    std::size_t bytes() const;
};

class ResultCache {
public:
    static constexpr std::size_t defaultCapacity = 8u << 20;

    // Keeps answers to the statements of discovery (hubs and thru-nodes) and
    // registration (members), at most `capacityBytes` of them.
    explicit ResultCache(std::size_t capacityBytes = defaultCapacity);
    ResultCache(const ResultCache&) = delete;
    ResultCache& operator=(const ResultCache&) = delete;

    bool keeps(StatementKind kind) const;

    // The answer kept for `text` at `version`, or null.
    std::shared_ptr<const CachedAnswer> find(const sql::SnapshotVersion& version, std::string_view text);
    // Keeps a whole answer to `text`, read at `version`.
    void keep(const sql::SnapshotVersion& version, std::string_view text, std::shared_ptr<const CachedAnswer> answer);

    // The most bytes one answer may take to be kept.
    std::size_t largestAnswer() const { return capacity_ / 4; }

    struct Figures {
        std::size_t answers = 0;
        std::size_t bytes = 0;
        uint64_t hits = 0;
        uint64_t misses = 0;
        uint64_t versionsDropped = 0; // times every answer went because the version changed
        uint64_t evicted = 0;         // answers that went to make room
    };
    Figures figures() const;

    // What one thread reads of the cache. The answers it has found are kept
    // here too, so that asking for them again takes no lock and touches
    // nothing another thread writes: the sessions of a picture on several
    // threads ask the same questions thousands of times. It holds copies of
    // its own, so that threads share no reference counts. At most a quarter
    // of the cache's bound; dropped when the version changes.
    class Reader {
    public:
        explicit Reader(ResultCache& cache);
        ~Reader();
        Reader(const Reader&) = delete;
        Reader& operator=(const Reader&) = delete;

        std::shared_ptr<const CachedAnswer> find(const sql::SnapshotVersion& version, std::string_view text);
        ResultCache& cache() const { return cache_; }

    private:
        friend class ResultCache;
        ResultCache& cache_;
        bool holdsVersion_ = false;
        sql::SnapshotVersion version_;
        std::unordered_map<std::string, std::shared_ptr<const CachedAnswer>, sql::TextHash, std::equal_to<>> answers_;
        std::size_t bytes_ = 0;
        std::atomic<uint64_t> hits_{0}; // answered here; summed by figures()
    };

private:
    struct Kept {
        std::string text;
        std::shared_ptr<const CachedAnswer> answer;
        std::size_t bytes;
    };
    using Order = std::list<Kept>; // used longest ago first

    // With the lock held: forgets every answer unless they are of `version`.
    void settle(const sql::SnapshotVersion& version);

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    const std::vector<StatementKind> kinds_;
    bool holdsVersion_ = false;
    sql::SnapshotVersion version_;
    Order order_;
    std::unordered_map<std::string_view, Order::iterator, sql::TextHash> byText_; // keys point into order_'s texts
    Figures figures_;
    std::vector<const Reader*> readers_;
};

} // namespace host
