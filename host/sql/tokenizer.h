// Tokenizer of the data server's SQL dialect. In this dialect a text in
// double quotes is a string literal, never an identifier.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace host::sql {

enum class TokenKind {
    Word,         // keyword or name: a letter, '_', '$', '#' or '@', then also digits
    Number,       // unsigned decimal digits
    String,       // '...', with '' standing for one apostrophe
    QuotedString, // "...", with "" standing for one double quote
    Symbol,       // = <> < > <= >= ( ) , . ; * -
    End,          // after the last token
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;        // as written; for the two string kinds the decoded value
    std::size_t offset = 0;  // of the token's first character in the statement
};

// Where a token stands in the statement, without its text copied out.
struct Lexeme {
    TokenKind kind = TokenKind::End;
    std::size_t offset = 0; // of the first character; of the opening quote of a literal
    std::size_t length = 0; // characters, quotes of a literal included
    bool doubledQuote = false; // a literal holding a doubled quote, to be decoded
};

// Replaces `out` with the lexemes of `text`, ending with one End lexeme. On a
// character that starts no token, a NUL, a malformed number or an
// unterminated literal: false, with a message that names the offset.
bool scan(std::string_view text, std::vector<Lexeme>& out, std::string& error);

// Scans the literal of `lexeme.kind` (Number, String or QuotedString) whose
// first character stands at `lexeme.offset`, as scan would, setting its
// length. False, with scan's message, when it is malformed or unterminated.
bool scanLiteral(std::string_view text, Lexeme& lexeme, std::string& error);

// The token's text: as written, or for a literal its decoded value.
std::string tokenText(std::string_view text, const Lexeme& lexeme);
Token toToken(std::string_view text, const Lexeme& lexeme);

// scan, with every token's text: ends with one End token, fails as scan.
bool tokenize(std::string_view text, std::vector<Token>& out, std::string& error);

// The token as a message shows it, e.g. 'FROM' or the string "A'B".
std::string describe(const Token& token);

} // namespace host::sql
