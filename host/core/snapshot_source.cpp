#include "core/data_source.h"
#include "core/result_cache.h"
#include "core/statement_kind.h"

namespace host {

namespace {

class QueryResult : public StatementResult {
public:
    explicit QueryResult(std::unique_ptr<sql::Query> query) : query_(std::move(query)) {}
    const std::vector<sql::ColumnSpec>& columns() const override { return query_->columns(); }
    sql::Query::Step next(const std::vector<sql::Cell>*& row, std::string& error) override {
        row = &row_;
        return query_->next(row_, error);
    }

private:
    std::unique_ptr<sql::Query> query_;
    std::vector<sql::Cell> row_; // reused from row to row
};

// Reads the snapshot and keeps the whole answer in the cache once it has
// been read to its end (an answer read only in part, or that failed, is not
// kept; neither is one too large for the cache).
class RecordingResult : public StatementResult {
public:
    RecordingResult(std::unique_ptr<sql::Query> query, ResultCache& cache, sql::SnapshotVersion version,
                    std::string_view text, StatementKind kind)
        : query_(std::move(query)), cache_(cache), version_(std::move(version)), text_(text),
          answer_(std::make_shared<CachedAnswer>()), room_(cache.largestAnswer()) {
        answer_->kind = kind;
        answer_->columns = query_->columns();
    }
    const std::vector<sql::ColumnSpec>& columns() const override { return query_->columns(); }
    sql::Query::Step next(const std::vector<sql::Cell>*& row, std::string& error) override {
        row = &row_;
        const sql::Query::Step step = query_->next(row_, error);
        if (!answer_) return step;
        if (step == sql::Query::Step::Row) {
            std::size_t bytes = sizeof row_ + row_.size() * sizeof(sql::Cell);
            for (const auto& cell : row_) bytes += cell.bytes.size();
            if (bytes > room_) {
                answer_.reset();
                return step;
            }
            room_ -= bytes;
            answer_->rows.push_back(row_);
        } else if (step == sql::Query::Step::Done) {
            cache_.keep(version_, text_, std::move(answer_));
        } else {
            answer_.reset();
        }
        return step;
    }

private:
    std::unique_ptr<sql::Query> query_;
    std::vector<sql::Cell> row_;
    ResultCache& cache_;
    sql::SnapshotVersion version_;
    std::string text_;
    std::shared_ptr<CachedAnswer> answer_; // null once it cannot be kept
    std::size_t room_;
};

// Delivers a kept answer: the cells are the cache's own, which the output
// SQLDA hands the module as read-only values.
class AnsweredResult : public StatementResult {
public:
    explicit AnsweredResult(std::shared_ptr<const CachedAnswer> answer) : answer_(std::move(answer)) {}
    const std::vector<sql::ColumnSpec>& columns() const override { return answer_->columns; }
    sql::Query::Step next(const std::vector<sql::Cell>*& row, std::string&) override {
        if (next_ >= answer_->rows.size()) return sql::Query::Step::Done;
        row = &answer_->rows[next_++];
        return sql::Query::Step::Row;
    }

private:
    std::shared_ptr<const CachedAnswer> answer_;
    std::size_t next_ = 0;
};

} // namespace

bool SnapshotSource::check(std::string_view text, StatementKind& kind, std::string& error) {
    checked_.reset();
    answered_.reset();
    checkedText_.assign(text);
    checkedKind_ = StatementKind::Other;
    if (cache_) answered_ = cache_->find(snapshot_.version(), text);
    if (answered_) {
        kind = checkedKind_ = answered_->kind;
        return true;
    }
    checked_ = sql::Query::prepare(snapshot_, text, error);
    if (checked_) kind = checkedKind_ = classifyStatement(*checked_);
    return checked_ != nullptr;
}

std::unique_ptr<StatementResult> SnapshotSource::open(std::string_view text, std::string& error) {
    // A statement is planned and opened one right after the other: what was
    // found for the plan serves the open, so no statement is read twice.
    const bool planned = checkedText_ == text;
    std::shared_ptr<const CachedAnswer> answer = planned ? std::move(answered_) : nullptr;
    std::unique_ptr<sql::Query> query = planned ? std::move(checked_) : nullptr;
    answered_.reset();
    checked_.reset();
    if (!answer && !query && cache_) answer = cache_->find(snapshot_.version(), text);
    if (answer) return std::make_unique<AnsweredResult>(std::move(answer));
    if (!query) query = sql::Query::prepare(snapshot_, text, error);
    if (!query) return nullptr;
    if (cache_ && planned && cache_->cache().keeps(checkedKind_))
        return std::make_unique<RecordingResult>(std::move(query), cache_->cache(), snapshot_.version(), text,
                                                 checkedKind_);
    return std::make_unique<QueryResult>(std::move(query));
}

} // namespace host
