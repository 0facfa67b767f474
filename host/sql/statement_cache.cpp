#include "sql/statement_cache.h"

#include <sqlite3.h>

namespace host::sql {

PreparedStatement::~PreparedStatement() { sqlite3_finalize(statement); }

StatementCache::StatementCache(sqlite3* db, std::size_t capacity) : db_(db), capacity_(capacity) {}

std::unique_ptr<PreparedStatement> StatementCache::take(const std::string& text, std::string& error) {
    auto found = byText_.find(text);
    if (found != byText_.end()) {
        const Order::iterator at = found->second.back();
        found->second.pop_back();
        if (found->second.empty()) byText_.erase(found);
        std::unique_ptr<PreparedStatement> kept = std::move(*at);
        order_.erase(at);
        return kept;
    }
    auto fresh = std::make_unique<PreparedStatement>();
    fresh->text = text;
    if (sqlite3_prepare_v3(db_, text.c_str(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT,
                           &fresh->statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db_);
        return nullptr;
    }
    ++prepared_;
    return fresh;
}

void StatementCache::giveBack(std::unique_ptr<PreparedStatement> statement) {
    if (!statement || capacity_ == 0) return;
    // A statement kept unreset would hold its read transaction open.
    sqlite3_reset(statement->statement);
    sqlite3_clear_bindings(statement->statement);
    if (order_.size() >= capacity_) {
        auto oldest = byText_.find(order_.front()->text);
        auto& list = oldest->second;
        list.erase(list.begin());
        if (list.empty()) byText_.erase(oldest);
        order_.pop_front();
    }
    const std::string& text = statement->text;
    order_.push_back(std::move(statement));
    byText_[text].push_back(std::prev(order_.end()));
}

} // namespace host::sql
