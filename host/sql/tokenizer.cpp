#include "sql/tokenizer.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace host::sql {

namespace {

// Character classes, looked up once per character of every statement.
enum : unsigned char { blank = 1, wordStart = 2, digit = 4 };

constexpr std::array<unsigned char, 256> classes = [] {
    std::array<unsigned char, 256> c{};
    for (unsigned char b : {' ', '\t', '\n', '\r', '\f', '\v'}) c[b] = blank;
    for (int b = 'A'; b <= 'Z'; ++b) c[b] = c[b + 'a' - 'A'] = wordStart;
    for (unsigned char b : {'_', '$', '#', '@'}) c[b] = wordStart;
    for (int b = '0'; b <= '9'; ++b) c[b] = digit;
    return c;
}();

unsigned char classOf(char c) { return classes[static_cast<unsigned char>(c)]; }
bool isBlank(char c) { return classOf(c) == blank; }
bool isDigit(char c) { return classOf(c) == digit; }
bool startsWord(char c) { return classOf(c) == wordStart; }
bool continuesWord(char c) { return (classOf(c) & (wordStart | digit)) != 0; }

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

// Passes a literal closed by `quote`, where a doubled quote stands for one.
bool passLiteral(std::string_view text, std::size_t& i, char quote, bool& doubled, std::string& error) {
    const std::size_t start = i++;
    for (;;) {
        const std::size_t close = text.find(quote, i);
        const std::size_t nul = text.substr(0, close).find('\0', i);
        if (nul != std::string_view::npos) {
            error = "NUL character in a literal" + at(nul);
            return false;
        }
        if (close == std::string_view::npos) {
            error = "unterminated literal starting" + at(start);
            return false;
        }
        i = close + 1;
        if (i < text.size() && text[i] == quote) {
            doubled = true;
            ++i;
            continue;
        }
        return true;
    }
}

} // namespace

bool scanLiteral(std::string_view text, Lexeme& lexeme, std::string& error) {
    std::size_t i = lexeme.offset;
    lexeme.doubledQuote = false;
    if (lexeme.kind == TokenKind::Number) {
        while (i < text.size() && isDigit(text[i])) ++i;
        if (i < text.size() && continuesWord(text[i])) {
            error = "malformed number" + at(lexeme.offset);
            return false;
        }
    } else if (!passLiteral(text, i, lexeme.kind == TokenKind::String ? '\'' : '"', lexeme.doubledQuote, error)) {
        return false;
    }
    lexeme.length = i - lexeme.offset;
    return true;
}

bool scan(std::string_view text, std::vector<Lexeme>& out, std::string& error) {
    out.clear();
    out.reserve(text.size() / 4 + 2);
    // Lexemes are gathered in a batch of the thread's own and moved to
    // `out` a batch at a time: appending one at a time to the vector cost
    // more than finding them.
    constexpr std::size_t batchSize = 64;
    thread_local Lexeme batch[batchSize];
    std::size_t held = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (isBlank(c)) {
            ++i;
            // The module pads its statements with long runs of blanks: they
            // are passed eight at a time, up to the first byte that is not
            // a space.
            constexpr uint64_t eightBlanks = 0x2020202020202020ull;
            for (uint64_t next; i + 8 <= text.size(); i += 8) {
                std::memcpy(&next, text.data() + i, sizeof next);
                if (const uint64_t other = next ^ eightBlanks) {
                    const int zeroBits = std::endian::native == std::endian::little ? std::countr_zero(other)
                                                                                   : std::countl_zero(other);
                    i += static_cast<std::size_t>(zeroBits / 8);
                    break;
                }
            }
            continue;
        }
        if (held == batchSize) {
            out.insert(out.end(), batch, batch + held);
            held = 0;
        }
        Lexeme& lexeme = batch[held++];
        lexeme.doubledQuote = false;
        lexeme.offset = i;
        if (startsWord(c)) {
            lexeme.kind = TokenKind::Word;
            while (i < text.size() && continuesWord(text[i])) ++i;
        } else if (isDigit(c) || c == '\'' || c == '"') {
            lexeme.kind = isDigit(c) ? TokenKind::Number : c == '\'' ? TokenKind::String : TokenKind::QuotedString;
            if (!scanLiteral(text, lexeme, error)) return false;
            i += lexeme.length;
            continue;
        } else {
            const std::string_view two = text.substr(i, 2);
            if (two == "<=" || two == ">=" || two == "<>") {
                i += 2;
            } else if (std::string_view("=<>(),.;*-").find(c) != std::string_view::npos) {
                ++i;
            } else {
                error = (c == '\0' ? std::string("NUL character") : "unexpected character " + showCharacter(c)) +
                        at(i);
                return false;
            }
            lexeme.kind = TokenKind::Symbol;
        }
        lexeme.length = i - lexeme.offset;
    }
    out.insert(out.end(), batch, batch + held);
    Lexeme end;
    end.offset = text.size();
    out.push_back(end);
    return true;
}

std::string tokenText(std::string_view text, const Lexeme& lexeme) {
    std::string_view written = text.substr(lexeme.offset, lexeme.length);
    if (lexeme.kind != TokenKind::String && lexeme.kind != TokenKind::QuotedString) return std::string(written);
    written = written.substr(1, written.size() - 2);
    if (!lexeme.doubledQuote) return std::string(written);
    std::string value;
    value.reserve(written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        value += written[i];
        if (written[i] == text[lexeme.offset]) ++i; // the second quote of a pair
    }
    return value;
}

Token toToken(std::string_view text, const Lexeme& lexeme) {
    Token token;
    token.kind = lexeme.kind;
    token.offset = lexeme.offset;
    if (lexeme.kind != TokenKind::End) token.text = tokenText(text, lexeme);
    return token;
}

bool tokenize(std::string_view text, std::vector<Token>& out, std::string& error) {
    std::vector<Lexeme> lexemes;
    out.clear();
    if (!scan(text, lexemes, error)) return false;
    out.reserve(lexemes.size());
    for (const Lexeme& l : lexemes) out.push_back(toToken(text, l));
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
