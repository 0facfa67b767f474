#include "core/data_source.h"
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

} // namespace

bool SnapshotSource::check(std::string_view text, StatementKind& kind, std::string& error) {
    checked_ = sql::Query::prepare(snapshot_, text, error);
    checkedText_.assign(text);
    if (checked_) kind = classifyStatement(*checked_);
    return checked_ != nullptr;
}

std::unique_ptr<StatementResult> SnapshotSource::open(std::string_view text, std::string& error) {
    // A statement is planned and opened one right after the other: the query
    // prepared for the plan serves the open, so no statement is prepared
    // twice.
    std::unique_ptr<sql::Query> query;
    if (checked_ && checkedText_ == text) query = std::move(checked_);
    checked_.reset();
    if (!query) query = sql::Query::prepare(snapshot_, text, error);
    if (!query) return nullptr;
    return std::make_unique<QueryResult>(std::move(query));
}

} // namespace host
