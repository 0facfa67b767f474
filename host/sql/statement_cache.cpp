#include "sql/statement_cache.h"

#include <sqlite3.h>

namespace host::sql {

PreparedStatement::~PreparedStatement() { sqlite3_finalize(statement); }

StatementCache::StatementCache(sqlite3* db, std::size_t capacity) : db_(db), capacity_(capacity) {}

std::unique_ptr<PreparedStatement> StatementCache::take(const std::string& text, std::string& error) {
    auto found = byText_.find(text);
    if (found != byText_.end() && !found->second.empty()) {
        const Order::iterator at = found->second.back();
        found->second.pop_back();
        std::unique_ptr<PreparedStatement> kept = std::move(*at);
        spare_.splice(spare_.end(), order_, at);
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
    // A text keeps its entry while its statements are taken, so that a
    // statement taken and given back again and again allocates nothing;
    // entries of texts no longer kept go once they outnumber the kept.
    if (byText_.size() > 2 * capacity_) std::erase_if(byText_, [](const auto& entry) { return entry.second.empty(); });
    auto& list = byText_[statement->text];
    if (spare_.empty()) {
        order_.push_back(std::move(statement));
    } else {
        spare_.front() = std::move(statement);
        order_.splice(order_.end(), spare_, spare_.begin());
    }
    list.push_back(std::prev(order_.end()));
}

} // namespace host::sql
