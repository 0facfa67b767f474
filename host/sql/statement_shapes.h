// What reading a statement of the dialect gave, kept by the statement's
// shape: its tokens with the values of its literals left out.
//
// The module sends hundreds of statements that differ only in their
// literals. Once one statement of a shape has been parsed and translated,
// the others of that shape take their bound values straight from their own
// literal tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sql/text_hash.h"
#include "sql/tokenizer.h"
#include "sql/translator.h"

namespace host::sql {

// A literal of a shape's statements, as it stands in the shape's example.
struct ShapeLiteral {
    Lexeme lexeme;
    bool negative = false; // a '-' stands before it: a number's sign
};

struct StatementShape {
    std::string sqlite;              // the translation
    std::vector<BoundValue> values;  // their origins; texts and integers are those of the first statement
    int nodeToken = -1;              // the AT clause's literal, -1 without one
    int firstTable = 0;              // catalog index of the first table of the FROM list
    bool substrings = false;         // a condition compares SUBSTR
    // The statement the shape was read from. Another statement that differs
    // from it only inside its literals is of this shape, and is recognised
    // without being scanned.
    std::string example;
    // Set when the shape is kept: the example's literals in order, and for
    // each value and the AT clause, the place of its literal among them (-1
    // for none).
    std::vector<ShapeLiteral> literals;
    std::vector<int> valueLiterals;
    int nodeLiteral = -1;
};

// The key of a statement's shape: every token but the values of literals.
std::string shapeKey(std::string_view text, const std::vector<Lexeme>& lexemes);
// The same into `key`, whose room is reused.
void shapeKey(std::string_view text, const std::vector<Lexeme>& lexemes, std::string& key);

// The lexemes of a scanned statement's literals, in order.
void literalsOf(const std::vector<Lexeme>& lexemes, std::vector<Lexeme>& literals);

// The values a statement of `shape` binds, from its own literals (`literals`,
// as literalsOf gives them); the node's value is left for the caller. False
// when a number is out of range: then only a full reading of the statement
// can say why it is refused.
bool valuesOf(const StatementShape& shape, std::string_view text, const std::vector<Lexeme>& literals,
              std::vector<BoundValue>& values);

class StatementShapes {
public:
    static constexpr std::size_t capacity = 256;

    const StatementShape* find(const std::string& key) const;
    // Keeps the shape; forgets every other one when `capacity` are kept.
    // `lexemes` are those of the shape's example.
    const StatementShape& add(std::string key, StatementShape shape, const std::vector<Lexeme>& lexemes);

    // The shape whose example `text` equals but inside its literals, with
    // `literals` set to the lexemes scan gives for those of `text`; null
    // when none is. A statement that does not scan is never recognised.
    const StatementShape* recognise(std::string_view text, std::vector<Lexeme>& literals) const;

private:
    static constexpr std::size_t examplesPerOutline = 4;

    std::unordered_map<std::string, StatementShape, TextHash> shapes_;
    // Examples by the hash of their outline (outlineHash).
    std::unordered_map<uint64_t, std::vector<const StatementShape*>> byOutline_;
};

} // namespace host::sql
