// A parsed statement of the dialect, its names resolved against the catalog.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace host::sql {

struct ColumnRef {
    int table = -1;  // index in the catalog
    int column = -1; // index in that table's columns
};

struct Operand {
    enum class Kind { Column, Text, Integer, Substr };
    Kind kind = Kind::Column;
    ColumnRef column;      // Column, Substr
    std::string text;      // Text
    int64_t integer = 0;   // Integer
    int64_t start = 0;     // Substr: first character, counted from 1
    std::optional<int64_t> length; // Substr: characters taken, to the end when absent
    // The tokens the values were read from (Text, Integer: `token`; Substr:
    // `startToken`, `lengthToken`), so that a statement of the same shape
    // can take its values without being parsed.
    int token = -1;
    int startToken = -1;
    int lengthToken = -1;
};

struct Condition {
    enum class Kind {
        Compare, // left op right
        Like,    // left LIKE pattern, '*' the wildcard
        And,     // terms, two or more
        Or,      // terms, two or more
        Not,     // terms[0]
        True,    // SYSTEM.PARMA(...)
    };
    Kind kind = Kind::True;
    std::string op; // Compare: = <> < > <= >=
    Operand left;
    Operand right;  // Like: a Text operand holding the pattern
    std::vector<Condition> terms;
};

struct Statement {
    std::vector<ColumnRef> select;
    std::vector<int> tables;        // catalog indices, in FROM order
    std::optional<std::string> node; // the AT clause's name, as written
    int nodeToken = -1;
    std::optional<Condition> where;
};

} // namespace host::sql
