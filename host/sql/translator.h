// Translation of a parsed statement into SQLite over the snapshot.
//
// Every literal becomes a bound value. A routed table is restricted to the
// rows of the AT clause's node; where a top-level OR has a term on that table
// in every branch, the restriction is repeated inside each branch instead, so
// that SQLite can look every branch up through the (AT_NODE, ...) indexes.
// Tables are joined in schema order (ENQ_RESRC drives ENQ_TASKS) and rows
// come out in rowid order of each table in that order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sql/statement.h"

namespace host::sql {

// Where a bound value comes from: a literal token of the statement, as it
// stands or made a GLOB pattern; the routed node; or nowhere (a null). With
// it, a statement of the same shape is bound without being parsed.
struct ValueOrigin {
    enum class Kind { Literal, Glob, Node, Null };
    Kind kind = Kind::Literal;
    int token = -1; // Literal, Glob: index of the token
};

struct BoundValue {
    bool isText = true;
    std::string text;
    int64_t integer = 0;
    bool isNull = false; // a null, whatever the other fields say
    ValueOrigin origin;
};

struct Translation {
    std::string sql;
    std::vector<BoundValue> values; // value i binds to ?(i+1)
};

struct TranslationOptions {
    // Literals as numbered parameters whose values are bound (what the host
    // runs), or written in as quoted literals, the text a person would give
    // to the sqlite3 shell (`values` then stays empty).
    bool inlineLiterals = false;
    // The statement in its own form: every OR tested branch by branch, all
    // rows of a node sorted into rowid order. Otherwise an OR that lists
    // values of columns of one routed table (such as the resources of a
    // detail statement) is looked up value by value through the table's
    // index, and all rows of a node are read by their rowids.
    bool asWritten = false;
    // With asWritten: the AT clause's restriction once for each table, beside
    // the other conditions, even where an OR could take it into its
    // branches.
    bool restrictOnce = false;
};

// `node` is the routed node name, trailing blanks removed; unused when no
// table of the statement is routed.
Translation translate(const Statement& statement, std::string_view node, TranslationOptions options = {});

// A SQLite literal of the value: a text in apostrophes, each apostrophe
// doubled; an integer in decimal.
std::string sqliteLiteral(const BoundValue& value);

// The GLOB pattern that matches what a LIKE pattern of the dialect matches:
// '*' any run of characters, every other character itself.
std::string globPattern(std::string_view likePattern);

} // namespace host::sql
