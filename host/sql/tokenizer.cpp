#include "sql/tokenizer.h"

#include <cstdio>

namespace host::sql {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool startsWord(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$' || c == '#' || c == '@';
}

bool continuesWord(char c) { return startsWord(c) || isDigit(c); }

std::string at(std::size_t offset) { return " at offset " + std::to_string(offset); }

std::string showCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    char buf[24];
    if (u >= 0x21 && u < 0x7F) {
        std::snprintf(buf, sizeof buf, "'%c'", c);
    } else {
        std::snprintf(buf, sizeof buf, "byte 0x%02X", u);
    }
    return buf;
}

// Reads a literal closed by `quote`, where a doubled quote stands for one.
bool readLiteral(std::string_view text, std::size_t& i, char quote, std::string& value, std::string& error) {
    const std::size_t start = i++;
    for (;;) {
        if (i >= text.size()) {
            error = "unterminated literal starting" + at(start);
            return false;
        }
        const char c = text[i];
        if (c == '\0') {
            error = "NUL character in a literal" + at(i);
            return false;
        }
        if (c == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                value += quote;
                i += 2;
                continue;
            }
            ++i;
            return true;
        }
        value += c;
        ++i;
    }
}

} // namespace

bool tokenize(std::string_view text, std::vector<Token>& out, std::string& error) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        Token token;
        token.offset = i;
        if (startsWord(c)) {
            token.kind = TokenKind::Word;
            while (i < text.size() && continuesWord(text[i])) ++i;
            token.text = text.substr(token.offset, i - token.offset);
        } else if (isDigit(c)) {
            token.kind = TokenKind::Number;
            while (i < text.size() && isDigit(text[i])) ++i;
            if (i < text.size() && continuesWord(text[i])) {
                error = "malformed number" + at(token.offset);
                return false;
            }
            token.text = text.substr(token.offset, i - token.offset);
        } else if (c == '\'' || c == '"') {
            token.kind = c == '\'' ? TokenKind::String : TokenKind::QuotedString;
            if (!readLiteral(text, i, c, token.text, error)) return false;
        } else {
            const std::string_view two = text.substr(i, 2);
            if (two == "<=" || two == ">=" || two == "<>") {
                token.text = std::string(two);
            } else if (std::string_view("=<>(),.;*-").find(c) != std::string_view::npos) {
                token.text = std::string(1, c);
            } else {
                error = (c == '\0' ? std::string("NUL character") : "unexpected character " + showCharacter(c)) +
                        at(i);
                return false;
            }
            token.kind = TokenKind::Symbol;
            i += token.text.size();
        }
        out.push_back(std::move(token));
    }
    Token end;
    end.kind = TokenKind::End;
    end.offset = text.size();
    out.push_back(std::move(end));
    return true;
}

std::string describe(const Token& token) {
    switch (token.kind) {
    case TokenKind::End:
        return "the end of the statement";
    case TokenKind::String:
        return "the string '" + token.text + "'";
    case TokenKind::QuotedString:
        return "the string \"" + token.text + "\"";
    default:
        return "'" + token.text + "'";
    }
}

} // namespace host::sql
