#include "sql/statement_shapes.h"

#include <cstdint>
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

const StatementShape& StatementShapes::add(std::string key, StatementShape shape) {
    if (shapes_.size() >= capacity) shapes_.clear();
    return shapes_.insert_or_assign(std::move(key), std::move(shape)).first->second;
}

} // namespace host::sql
