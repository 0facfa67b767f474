// Prepared statements of one database kept for reuse, by their SQLite text.
//
// The module sends many statements of the same shape (the literals are bound
// values), and preparing a statement costs far more than resetting and
// rebinding one. A statement is lent out to one user at a time: two users of
// the same text at once get two statements. Only statements given back are
// kept, at most `capacity` of them; the one given back longest ago goes
// first.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sql/column_types.h"
#include "sql/text_hash.h"

struct sqlite3;
struct sqlite3_stmt;

namespace host::sql {

// A statement prepared from `text`; its user fills in the result columns as
// the data server delivers them, once.
struct PreparedStatement {
    PreparedStatement() = default;
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    std::string text;
    sqlite3_stmt* statement = nullptr;
    std::vector<ColumnSpec> columns;
};

class StatementCache {
public:
    explicit StatementCache(sqlite3* db, std::size_t capacity = defaultCapacity);
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    static constexpr std::size_t defaultCapacity = 64;

    // A statement of `text` that nobody else holds, with no values bound:
    // a kept one, or else a new one. Null, with SQLite's message, when
    // SQLite refuses the text.
    std::unique_ptr<PreparedStatement> take(const std::string& text, std::string& error);

    // Keeps a statement taken from this cache for the next user of its text.
    void giveBack(std::unique_ptr<PreparedStatement> statement);

    // Statements kept, and statements prepared since the cache was made.
    std::size_t kept() const { return order_.size(); }
    std::size_t prepared() const { return prepared_; }

private:
    using Order = std::list<std::unique_ptr<PreparedStatement>>; // given back longest ago first

    sqlite3* db_;
    std::size_t capacity_;
    std::size_t prepared_ = 0;
    Order order_;
    Order spare_; // empty nodes of statements taken, for those given back
    // Kept statements by text, the one given back last at the back.
    std::unordered_map<std::string, std::vector<Order::iterator>, TextHash> byText_;
};

} // namespace host::sql
