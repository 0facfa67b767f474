#include "testing/replay_source.h"

#include "testing/statement_text.h"

namespace host {

namespace {

class ReplayedResult : public StatementResult {
public:
    explicit ReplayedResult(std::shared_ptr<const ReplaySource::Recording> r) : recording_(std::move(r)) {}
    const std::vector<sql::ColumnSpec>& columns() const override { return recording_->columns; }
    sql::Query::Step next(const std::vector<sql::Cell>*& row, std::string& error) override {
        if (next_ < recording_->rows.size()) {
            row = &recording_->rows[next_++];
            return sql::Query::Step::Row;
        }
        if (!recording_->failed) return sql::Query::Step::Done;
        error = recording_->error;
        return sql::Query::Step::Error;
    }

private:
    std::shared_ptr<const ReplaySource::Recording> recording_;
    size_t next_ = 0;
};

} // namespace

bool ReplaySource::check(std::string_view text, StatementKind& kind, std::string& error) {
    if (source_) {
        if (!source_->check(text, kind, error)) return false;
        kinds_[std::string(text)] = kind;
        return true;
    }
    const std::string key(text);
    if (results_.count(key)) {
        const auto found = kinds_.find(key);
        kind = found != kinds_.end() ? found->second : classifyStatement(text);
        return true;
    }
    error = "statement not recorded";
    return false;
}

std::unique_ptr<StatementResult> ReplaySource::open(std::string_view text, std::string& error) {
    std::string key(text);
    auto found = results_.find(key);
    if (found == results_.end()) {
        if (!source_) {
            error = "statement not recorded";
            return nullptr;
        }
        // The snapshot does not change, so the first answer is every answer.
        auto result = source_->open(text, error);
        if (!result) return nullptr;
        auto recording = std::make_shared<Recording>();
        recording->columns = result->columns();
        const std::vector<sql::Cell>* row = nullptr;
        for (;;) {
            const sql::Query::Step step = result->next(row, recording->error);
            if (step == sql::Query::Step::Done) break;
            if (step == sql::Query::Step::Error) {
                recording->failed = true;
                break;
            }
            recording->rows.push_back(*row);
        }
        found = results_.emplace(std::move(key), std::move(recording)).first;
    }
    return std::make_unique<ReplayedResult>(found->second);
}

} // namespace host
