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

// Replaces `out` with the tokens of `text`, ending with one End token. On a
// character that starts no token, a NUL, a malformed number or an
// unterminated literal: false, with a message that names the offset.
bool tokenize(std::string_view text, std::vector<Token>& out, std::string& error);

// The token as a message shows it, e.g. 'FROM' or the string "A'B".
std::string describe(const Token& token);

} // namespace host::sql
