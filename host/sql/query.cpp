#include "sql/query.h"

#include <sqlite3.h>

#include "sql/parser.h"
#include "sql/schema.h"
#include "sql/tokenizer.h"
#include "sql/translator.h"

namespace host::sql {

namespace {

// AT is there exactly when the statement reads routed tables, and all its
// tables are routed alike.
bool checkRouting(const Statement& s, std::string& error) {
    const Catalog& cat = catalog();
    const CatalogTable* hub = nullptr;
    const CatalogTable* routed = nullptr;
    for (int t : s.tables) (cat.tables[t].routed ? routed : hub) = &cat.tables[t];
    if (hub && routed) {
        error = hub->name + " is the hub's own table and cannot be read together with " + routed->name;
        return false;
    }
    if (hub && s.node) {
        error = hub->name + " is the hub's own table and takes no AT clause";
        return false;
    }
    if (routed && !s.node) {
        error = routed->name + " is answered by a node: the statement needs AT (\"node\")";
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<Query> Query::prepare(Snapshot& snapshot, std::string_view text, std::string& error) {
    std::vector<Token> tokens;
    Statement statement;
    if (!tokenize(text, tokens, error) || !parseStatement(tokens, statement, error) ||
        !checkRouting(statement, error)) {
        return nullptr;
    }

    std::unique_ptr<Query> q(new Query);
    if (statement.node) {
        std::string_view node = *statement.node;
        while (!node.empty() && node.back() == ' ') node.remove_suffix(1);
        if (node.empty()) {
            error = "the AT clause names no node";
            return nullptr;
        }
        bool known = false;
        if (!snapshot.lookUpNode(node, known, error)) return nullptr;
        if (!known) {
            error = "node \"" + std::string(node) + "\" is not known to this data server";
            return nullptr;
        }
        q->routedNode_ = node;
    }

    Translation translation = translate(statement, q->routedNode_);
    q->sqliteText_ = std::move(translation.sql);
    sqlite3* db = snapshot.db();
    if (sqlite3_prepare_v2(db, q->sqliteText_.c_str(), static_cast<int>(q->sqliteText_.size()), &q->statement_,
                           nullptr) != SQLITE_OK) {
        error = std::string("the snapshot refused the statement: ") + sqlite3_errmsg(db);
        return nullptr;
    }
    for (std::size_t i = 0; i < translation.values.size(); ++i) {
        const BoundValue& v = translation.values[i];
        const int index = static_cast<int>(i) + 1;
        const int rc = v.isText ? sqlite3_bind_text(q->statement_, index, v.text.data(),
                                                    static_cast<int>(v.text.size()), SQLITE_TRANSIENT)
                                : sqlite3_bind_int64(q->statement_, index, v.integer);
        if (rc != SQLITE_OK) {
            error = std::string("cannot bind a value of the statement: ") + sqlite3_errmsg(db);
            return nullptr;
        }
    }
    const int count = sqlite3_column_count(q->statement_);
    for (int i = 0; i < count; ++i) {
        ColumnSpec spec;
        const char* name = sqlite3_column_name(q->statement_, i);
        const char* declared = sqlite3_column_decltype(q->statement_, i);
        spec.name = name ? name : "";
        if (!declared || !columnTypeFromDeclared(declared, spec)) {
            error = "result column " + spec.name + " has no type the data server can deliver";
            return nullptr;
        }
        q->columns_.push_back(std::move(spec));
    }
    return q;
}

Query::~Query() { sqlite3_finalize(statement_); }

Query::Step Query::next(std::vector<Cell>& row, std::string& error) {
    if (finished_ != Step::Row) {
        if (finished_ == Step::Error) error = failure_;
        return finished_;
    }
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) {
        row.resize(columns_.size());
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            readCell(statement_, static_cast<int>(i), columns_[i], row[i]);
        }
        return Step::Row;
    }
    if (rc == SQLITE_DONE) {
        finished_ = Step::Done;
    } else {
        finished_ = Step::Error;
        failure_ = std::string("reading the snapshot failed: ") + sqlite3_errmsg(sqlite3_db_handle(statement_));
        error = failure_;
    }
    return finished_;
}

} // namespace host::sql
