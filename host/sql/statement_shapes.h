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

struct StatementShape {
    std::string sqlite;              // the translation
    std::vector<BoundValue> values;  // their origins; texts and integers are those of the first statement
    int nodeToken = -1;              // the AT clause's literal, -1 without one
    int firstTable = 0;              // catalog index of the first table of the FROM list
    bool substrings = false;         // a condition compares SUBSTR
    // The statement the shape was read from, and its lexemes. Another
    // statement that differs from it only inside its literals is of this
    // shape, and is recognised without being scanned.
    std::string example;
    std::vector<Lexeme> exampleLexemes;
    std::vector<std::size_t> literals; // places of the example's literal lexemes, set when kept
};

// The key of a statement's shape: every token but the values of literals.
std::string shapeKey(std::string_view text, const std::vector<Lexeme>& lexemes);
// The same into `key`, whose room is reused.
void shapeKey(std::string_view text, const std::vector<Lexeme>& lexemes, std::string& key);

// The values a statement of `shape` binds, from its own literals; the
// node's value is left for the caller. False when a number is out of range:
// then only a full reading of the statement can say why it is refused.
bool valuesOf(const StatementShape& shape, std::string_view text, const std::vector<Lexeme>& lexemes,
              std::vector<BoundValue>& values);

class StatementShapes {
public:
    static constexpr std::size_t capacity = 256;

    const StatementShape* find(const std::string& key) const;
    // Keeps the shape; forgets every other one when `capacity` are kept.
    const StatementShape& add(std::string key, StatementShape shape);

    // The shape whose example `text` equals but inside its literals, with
    // `lexemes` set to those scan gives for `text`; null when none is. A
    // statement that does not scan is never recognised.
    const StatementShape* recognise(std::string_view text, std::vector<Lexeme>& lexemes) const;

private:
    static constexpr std::size_t examplesPerOutline = 4;

    std::unordered_map<std::string, StatementShape, TextHash> shapes_;
    // Examples by the hash of their outline (outlineHash).
    std::unordered_map<uint64_t, std::vector<const StatementShape*>> byOutline_;
};

} // namespace host::sql
