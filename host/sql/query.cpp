#include "sql/query.h"

#include <sqlite3.h>

#include "sql/fixed_width.h"
#include "sql/parser.h"
#include "sql/schema.h"
#include "sql/statement_shapes.h"
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

// Reads the scanned statement: one statement of the dialect on known tables
// and columns, routed exactly when its tables are.
bool readStatement(std::string_view text, const std::vector<Lexeme>& lexemes, Statement& statement,
                   std::string& error) {
    std::vector<Token> tokens;
    tokens.reserve(lexemes.size());
    for (const Lexeme& l : lexemes) tokens.push_back(toToken(text, l));
    return parseStatement(tokens, statement, error) && checkRouting(statement, error);
}

// The node an AT clause names, trailing blanks removed, which must be known
// to the snapshot.
bool knownNode(Snapshot& snapshot, std::string_view name, std::string& node, std::string& error) {
    name = withoutTrailingBlanks(name);
    if (name.empty()) {
        error = "the AT clause names no node";
        return false;
    }
    bool known = false;
    if (!snapshot.lookUpNode(name, known, error)) return false;
    if (!known) {
        error = "node \"" + std::string(name) + "\" is not known to this data server";
        return false;
    }
    node = name;
    return true;
}

bool hasSubstr(const Condition& c) {
    if (c.left.kind == Operand::Kind::Substr || c.right.kind == Operand::Kind::Substr) return true;
    for (const Condition& term : c.terms) {
        if (hasSubstr(term)) return true;
    }
    return false;
}

// The result columns of a statement as the data server delivers them, from
// their declared types.
bool describeColumns(sqlite3_stmt* s, std::vector<ColumnSpec>& columns, std::string& error) {
    std::vector<ColumnSpec> described;
    const int count = sqlite3_column_count(s);
    for (int i = 0; i < count; ++i) {
        ColumnSpec spec;
        const char* name = sqlite3_column_name(s, i);
        const char* declared = sqlite3_column_decltype(s, i);
        spec.name = name ? name : "";
        if (!declared || !columnTypeFromDeclared(declared, spec)) {
            error = "result column " + spec.name + " has no type the data server can deliver";
            return false;
        }
        described.push_back(std::move(spec));
    }
    columns = std::move(described);
    return true;
}

} // namespace

bool Query::shellText(Snapshot& snapshot, std::string_view text, ShellText form, std::string& sqlite,
                      std::string& error) {
    std::vector<Lexeme> lexemes;
    Statement statement;
    std::string node;
    if (!scan(text, lexemes, error) || !readStatement(text, lexemes, statement, error) ||
        (statement.node && !knownNode(snapshot, *statement.node, node, error))) {
        return false;
    }
    TranslationOptions options;
    options.inlineLiterals = true;
    options.asWritten = form != ShellText::AsAnswered;
    options.restrictOnce = form == ShellText::AsWrittenRestrictedOnce;
    sqlite = translate(statement, node, options).sql;
    return true;
}

std::unique_ptr<Query> Query::prepare(Snapshot& snapshot, std::string_view text, std::string& error) {
    // Kept from statement to statement on each thread: a statement of 4096
    // characters needs room for a thousand lexemes.
    thread_local std::vector<Lexeme> lexemes;
    thread_local std::vector<Lexeme> literals;

    // A statement of a shape read before takes its values from its own
    // literals; any other is parsed and translated, and its shape kept.
    // Most are recognised by their shape's example without being scanned.
    std::vector<BoundValue> values;
    const StatementShape* shape = snapshot.shapes().recognise(text, literals);
    if (!shape || !valuesOf(*shape, text, literals, values)) {
        if (!scan(text, lexemes, error)) return nullptr;
        thread_local std::string key;
        shapeKey(text, lexemes, key);
        literalsOf(lexemes, literals);
        shape = snapshot.shapes().find(key);
        if (!shape || !valuesOf(*shape, text, literals, values)) {
            Statement statement;
            if (!readStatement(text, lexemes, statement, error)) return nullptr;
            StatementShape read;
            Translation translation = translate(statement, "");
            read.sqlite = std::move(translation.sql);
            values = std::move(translation.values);
            read.values = values;
            read.nodeToken = statement.nodeToken;
            read.firstTable = statement.tables.front();
            read.substrings = statement.where && hasSubstr(*statement.where);
            read.example = text;
            shape = &snapshot.shapes().add(key, std::move(read), lexemes);
        }
    }

    std::unique_ptr<Query> q(new Query);
    if (shape->nodeLiteral >= 0) {
        const std::string written = tokenText(text, literals[static_cast<std::size_t>(shape->nodeLiteral)]);
        if (!knownNode(snapshot, written, q->routedNode_, error)) return nullptr;
        for (BoundValue& v : values) {
            if (v.origin.kind == ValueOrigin::Kind::Node) v.text = q->routedNode_;
        }
    }
    q->firstTable_ = shape->firstTable;
    q->substrings_ = shape->substrings;
    q->cache_ = &snapshot.statements();
    q->prepared_ = q->cache_->take(shape->sqlite, error);
    if (!q->prepared_) {
        error = "the snapshot refused the statement: " + error;
        return nullptr;
    }
    sqlite3_stmt* s = q->prepared_->statement;
    if (q->prepared_->columns.empty() && !describeColumns(s, q->prepared_->columns, error)) {
        q->prepared_.reset(); // not kept: its columns cannot be delivered
        return nullptr;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const BoundValue& v = values[i];
        const int index = static_cast<int>(i) + 1;
        const int rc = v.isNull   ? sqlite3_bind_null(s, index)
                       : v.isText ? sqlite3_bind_text(s, index, v.text.data(), static_cast<int>(v.text.size()),
                                                      SQLITE_TRANSIENT)
                                  : sqlite3_bind_int64(s, index, v.integer);
        if (rc != SQLITE_OK) {
            error = std::string("cannot bind a value of the statement: ") + sqlite3_errmsg(snapshot.db());
            return nullptr;
        }
    }
    return q;
}

const std::string& Query::firstTable() const { return catalog().tables[firstTable_].name; }

Query::~Query() {
    if (cache_) cache_->giveBack(std::move(prepared_));
}

Query::Step Query::next(std::vector<Cell>& row, std::string& error) {
    if (finished_ != Step::Row) {
        if (finished_ == Step::Error) error = failure_;
        return finished_;
    }
    sqlite3_stmt* s = prepared_->statement;
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        const std::vector<ColumnSpec>& columns = prepared_->columns;
        row.resize(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) readCell(s, static_cast<int>(i), columns[i], row[i]);
        return Step::Row;
    }
    if (rc == SQLITE_DONE) {
        finished_ = Step::Done;
    } else {
        finished_ = Step::Error;
        failure_ = std::string("reading the snapshot failed: ") + sqlite3_errmsg(sqlite3_db_handle(s));
        error = failure_;
    }
    return finished_;
}

} // namespace host::sql
