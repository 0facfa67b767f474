#include "sql/statement_shapes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "sql/fixed_width.h"

namespace host::sql {

namespace {

bool isLiteral(TokenKind kind) {
    return kind == TokenKind::Number || kind == TokenKind::String || kind == TokenKind::QuotedString;
}

// The number literal's value, negative when a '-' stands before it (in a
// statement that parsed, that '-' is its sign); false when out of range.
bool numberOf(std::string_view text, const Lexeme& l, bool negative, int64_t& value) {
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

void literalsOf(const std::vector<Lexeme>& lexemes, std::vector<Lexeme>& literals) {
    literals.clear();
    for (const Lexeme& l : lexemes) {
        if (isLiteral(l.kind)) literals.push_back(l);
    }
}

bool valuesOf(const StatementShape& shape, std::string_view text, const std::vector<Lexeme>& literals,
              std::vector<BoundValue>& values) {
    int64_t ignored = 0;
    for (std::size_t i = 0; i < literals.size(); ++i) {
        if (literals[i].kind == TokenKind::Number && !numberOf(text, literals[i], shape.literals[i].negative, ignored))
            return false;
    }
    values = shape.values;
    for (std::size_t k = 0; k < values.size(); ++k) {
        BoundValue& v = values[k];
        if (shape.valueLiterals[k] < 0) continue; // the node, or a null
        const auto place = static_cast<std::size_t>(shape.valueLiterals[k]);
        const Lexeme& literal = literals[place];
        if (v.origin.kind == ValueOrigin::Kind::Glob) {
            v.text = globPattern(withoutTrailingBlanks(tokenText(text, literal)));
        } else if (v.isText) {
            v.text = tokenText(text, literal);
        } else {
            numberOf(text, literal, shape.literals[place].negative, v.integer);
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

const StatementShape& StatementShapes::add(std::string key, StatementShape shape,
                                           const std::vector<Lexeme>& lexemes) {
    if (shapes_.size() >= capacity) {
        byOutline_.clear();
        shapes_.clear();
    }
    std::vector<int> placeOfToken(lexemes.size(), -1);
    shape.literals.clear();
    for (std::size_t i = 0; i < lexemes.size(); ++i) {
        if (!isLiteral(lexemes[i].kind)) continue;
        placeOfToken[i] = static_cast<int>(shape.literals.size());
        const bool negative = i > 0 && lexemes[i - 1].kind == TokenKind::Symbol &&
                              shape.example[lexemes[i - 1].offset] == '-';
        shape.literals.push_back({lexemes[i], negative});
    }
    auto placeOf = [&](int token) {
        return token >= 0 && static_cast<std::size_t>(token) < placeOfToken.size() ? placeOfToken[token] : -1;
    };
    shape.valueLiterals.clear();
    for (const BoundValue& v : shape.values) {
        const bool own = v.origin.kind == ValueOrigin::Kind::Literal || v.origin.kind == ValueOrigin::Kind::Glob;
        shape.valueLiterals.push_back(own ? placeOf(v.origin.token) : -1);
    }
    shape.nodeLiteral = placeOf(shape.nodeToken);
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
// which must be of the example's kind and scan; then `literals` are their
// lexemes in `text`.
bool sameButForLiterals(const StatementShape& shape, std::string_view text, std::vector<Lexeme>& literals) {
    const std::string_view example = shape.example;
    literals.resize(shape.literals.size());
    std::size_t inExample = 0; // where the next fixed part starts
    std::size_t inText = 0;
    std::string ignored;
    for (std::size_t i = 0; i < shape.literals.size(); ++i) {
        const Lexeme& literal = shape.literals[i].lexeme;
        const std::size_t fixed = literal.offset - inExample;
        if (text.size() - inText <= fixed ||
            std::memcmp(text.data() + inText, example.data() + inExample, fixed) != 0)
            return false;
        inExample += fixed;
        inText += fixed;
        const char first = text[inText];
        const bool sameKind = literal.kind == TokenKind::Number ? first >= '0' && first <= '9'
                              : literal.kind == TokenKind::String ? first == '\''
                                                                   : first == '"';
        Lexeme& own = literals[i];
        own.kind = literal.kind;
        own.offset = inText;
        if (!sameKind || !scanLiteral(text, own, ignored)) return false;
        inExample += literal.length;
        inText += own.length;
    }
    const std::size_t rest = example.size() - inExample;
    return text.size() - inText == rest && std::memcmp(text.data() + inText, example.data() + inExample, rest) == 0;
}

} // namespace

const StatementShape* StatementShapes::recognise(std::string_view text, std::vector<Lexeme>& literals) const {
    uint64_t outline = 0;
    if (byOutline_.empty() || !outlineHash(text, outline)) return nullptr;
    const auto found = byOutline_.find(outline);
    if (found == byOutline_.end()) return nullptr;
    for (const StatementShape* shape : found->second) {
        if (sameButForLiterals(*shape, text, literals)) return shape;
    }
    return nullptr;
}

} // namespace host::sql
