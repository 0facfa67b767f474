#include "sql/statement_shapes.h"

#include <cstdint>
#include <algorithm>
#include <cstring>

#include "sql/fixed_width.h"

namespace host::sql {

namespace {

// The number token's value, negative when a '-' stands before it (in a
// statement that parsed, that '-' is its sign); false when out of range.
bool numberAt(std::string_view text, const std::vector<Lexeme>& lexemes, std::size_t i, int64_t& value) {
    const Lexeme& l = lexemes[i];
    const bool negative = i > 0 && lexemes[i - 1].kind == TokenKind::Symbol && text[lexemes[i - 1].offset] == '-';
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t v = 0;
    for (char c : text.substr(l.offset, l.length)) {
        const auto digit = static_cast<uint64_t>(c - '0');
        if (v > (limit - digit) / 10) return false;
        v = v * 10 + digit;
    }
    value = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
    return true;
}

char marker(TokenKind kind) {
    switch (kind) {
    case TokenKind::Word: return 'W';
    case TokenKind::Number: return 'N';
    case TokenKind::String: return 'S';
    case TokenKind::QuotedString: return 'Q';
    case TokenKind::Symbol: return 'Y';
    case TokenKind::End: break;
    }
    return 'E';
}

} // namespace

std::string shapeKey(std::string_view text, const std::vector<Lexeme>& lexemes) {
    std::string key;
    shapeKey(text, lexemes, key);
    return key;
}

void shapeKey(std::string_view text, const std::vector<Lexeme>& lexemes, std::string& key) {
    // Written in place into room for the longest key the lexemes can make:
    // each adds its marker, and a word or symbol its text and a separator.
    key.resize(text.size() + 2 * lexemes.size());
    char* out = key.data();
    for (const Lexeme& l : lexemes) {
        *out++ = marker(l.kind);
        if (l.kind == TokenKind::Word || l.kind == TokenKind::Symbol) {
            std::memcpy(out, text.data() + l.offset, l.length);
            out += l.length;
            *out++ = '\x1F'; // no word or symbol holds it
        }
    }
    key.resize(static_cast<std::size_t>(out - key.data()));
}

bool valuesOf(const StatementShape& shape, std::string_view text, const std::vector<Lexeme>& lexemes,
              std::vector<BoundValue>& values) {
    int64_t ignored = 0;
    for (std::size_t i = 0; i < lexemes.size(); ++i) {
        if (lexemes[i].kind == TokenKind::Number && !numberAt(text, lexemes, i, ignored)) return false;
    }
    values = shape.values;
    for (BoundValue& v : values) {
        const std::size_t token = static_cast<std::size_t>(v.origin.token);
        switch (v.origin.kind) {
        case ValueOrigin::Kind::Literal:
            if (v.isText) {
                v.text = tokenText(text, lexemes[token]);
            } else {
                numberAt(text, lexemes, token, v.integer);
            }
            break;
        case ValueOrigin::Kind::Glob:
            v.text = globPattern(withoutTrailingBlanks(tokenText(text, lexemes[token])));
            break;
        case ValueOrigin::Kind::Node:
        case ValueOrigin::Kind::Null:
            break;
        }
    }
    return true;
}

const StatementShape* StatementShapes::find(const std::string& key) const {
    const auto found = shapes_.find(key);
    return found == shapes_.end() ? nullptr : &found->second;
}

namespace {

// The hash of a statement's outline: its text with the insides of its
// quoted literals left out. Statements of one shape whose numbers are the
// same have the same outline. False when a quote is left open.
bool outlineHash(std::string_view text, uint64_t& hash) {
    const char* at = text.data();
    const char* const end = at + text.size();
    auto nextQuote = [end](const char* from, char quote) {
        const void* found = std::memchr(from, quote, static_cast<std::size_t>(end - from));
        return found ? static_cast<const char*>(found) : end;
    };
    const char* apostrophe = nextQuote(at, '\'');
    const char* doubleQuote = nextQuote(at, '"');
    uint64_t h = 0;
    for (;;) {
        const char* open = std::min(apostrophe, doubleQuote);
        h = (h ^ hashText(std::string_view(at, static_cast<std::size_t>(open - at)))) * 0x9E3779B97F4A7C15ull;
        if (open == end) break;
        const char quote = *open;
        const char* close = open + 1;
        for (;;) {
            close = nextQuote(close, quote);
            if (close == end) return false;
            if (close + 1 < end && close[1] == quote) {
                close += 2; // a doubled quote stands for one
                continue;
            }
            break;
        }
        at = close + 1;
        if (apostrophe < at) apostrophe = nextQuote(at, '\'');
        if (doubleQuote < at) doubleQuote = nextQuote(at, '"');
    }
    hash = h;
    return true;
}

} // namespace

const StatementShape& StatementShapes::add(std::string key, StatementShape shape) {
    if (shapes_.size() >= capacity) {
        byOutline_.clear();
        shapes_.clear();
    }
    shape.literals.clear();
    for (std::size_t i = 0; i < shape.exampleLexemes.size(); ++i) {
        const TokenKind kind = shape.exampleLexemes[i].kind;
        if (kind == TokenKind::Number || kind == TokenKind::String || kind == TokenKind::QuotedString)
            shape.literals.push_back(i);
    }
    const auto [place, added] = shapes_.try_emplace(std::move(key), std::move(shape));
    if (!added) return place->second; // its example may be looked up already
    const StatementShape& kept = place->second;
    if (uint64_t outline = 0; outlineHash(kept.example, outline)) {
        auto& examples = byOutline_[outline];
        if (examples.size() < examplesPerOutline) examples.push_back(&kept);
    }
    return kept;
}

namespace {

// Whether `text` is `shape`'s example but inside its literals, each of
// which must be of the example's kind and scan; then `lexemes` are the
// example's, moved to where they stand in `text`.
bool sameButForLiterals(const StatementShape& shape, std::string_view text, std::vector<Lexeme>& lexemes) {
    const std::string_view example = shape.example;
    const std::vector<Lexeme>& from = shape.exampleLexemes;
    lexemes.resize(from.size());
    std::size_t inExample = 0; // where the next fixed part starts
    std::size_t inText = 0;
    std::size_t moved = 0; // lexemes placed so far
    std::string ignored;
    auto moveUpTo = [&](std::size_t end) {
        const std::size_t shift = inText - inExample; // modular: the text may be the shorter
        for (; moved < end; ++moved) {
            lexemes[moved] = from[moved];
            lexemes[moved].offset += shift;
        }
    };
    for (std::size_t place : shape.literals) {
        const Lexeme& literal = from[place];
        const std::size_t fixed = literal.offset - inExample;
        if (text.size() - inText <= fixed ||
            std::memcmp(text.data() + inText, example.data() + inExample, fixed) != 0)
            return false;
        moveUpTo(place);
        inExample += fixed;
        inText += fixed;
        const char first = text[inText];
        const bool sameKind = literal.kind == TokenKind::Number ? first >= '0' && first <= '9'
                              : literal.kind == TokenKind::String ? first == '\''
                                                                   : first == '"';
        Lexeme& own = lexemes[moved++];
        own = literal;
        own.offset = inText;
        if (!sameKind || !scanLiteral(text, own, ignored)) return false;
        inExample += literal.length;
        inText += own.length;
    }
    const std::size_t rest = example.size() - inExample;
    if (text.size() - inText != rest || std::memcmp(text.data() + inText, example.data() + inExample, rest) != 0)
        return false;
    moveUpTo(from.size());
    return true;
}

} // namespace

const StatementShape* StatementShapes::recognise(std::string_view text, std::vector<Lexeme>& lexemes) const {
    uint64_t outline = 0;
    if (byOutline_.empty() || !outlineHash(text, outline)) return nullptr;
    const auto found = byOutline_.find(outline);
    if (found == byOutline_.end()) return nullptr;
    for (const StatementShape* shape : found->second) {
        if (sameButForLiterals(*shape, text, lexemes)) return shape;
    }
    return nullptr;
}

} // namespace host::sql
