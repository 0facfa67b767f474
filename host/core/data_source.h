// Where the host's answers come from: an enterprise snapshot in SQLite, or
// rows kept in memory (to time the module without SQLite).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/result_cache.h"
#include "core/statement_kind.h"
#include "sql/query.h"

namespace host {

// One statement being answered, row by row.
class StatementResult {
public:
    virtual ~StatementResult() = default;
    virtual const std::vector<sql::ColumnSpec>& columns() const = 0;
    // On Row, `row` designates the row's cells, valid until the next call.
    virtual sql::Query::Step next(const std::vector<sql::Cell>*& row, std::string& error) = 0;
};

class DataSource {
public:
    virtual ~DataSource() = default;
    // Whether the statement can be answered, and what it reads; checked
    // when it is planned.
    virtual bool check(std::string_view text, StatementKind& kind, std::string& error) = 0;
    virtual std::unique_ptr<StatementResult> open(std::string_view text, std::string& error) = 0;
};

struct CachedAnswer;

// Answers from an enterprise snapshot; with a result cache, the statements
// of the kinds it keeps are answered from what it holds for the snapshot's
// version, and read from the snapshot (and kept) when it holds nothing.
class SnapshotSource : public DataSource {
public:
    explicit SnapshotSource(sql::Snapshot& snapshot, ResultCache* cache = nullptr)
        : snapshot_(snapshot), cache_(cache ? std::make_unique<ResultCache::Reader>(*cache) : nullptr) {}
    bool check(std::string_view text, StatementKind& kind, std::string& error) override;
    std::unique_ptr<StatementResult> open(std::string_view text, std::string& error) override;

private:
    sql::Snapshot& snapshot_;
    std::unique_ptr<ResultCache::Reader> cache_;
    // The last statement checked, not yet opened: prepared, or answered by
    // the cache.
    std::unique_ptr<sql::Query> checked_;
    std::shared_ptr<const CachedAnswer> answered_;
    std::string checkedText_;
    StatementKind checkedKind_ = StatementKind::Other;
};

} // namespace host
