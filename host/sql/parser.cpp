#include "sql/parser.h"

#include <array>
#include <string_view>

#include "sql/schema.h"

namespace host::sql {

namespace {

// Nesting of parentheses and NOTs; bounds the parser's recursion.
constexpr int maxDepth = 100;

constexpr std::array<std::string_view, 8> reservedWords = {"SELECT", "FROM", "AT",  "WHERE",
                                                           "AND",    "OR",   "NOT", "LIKE"};
constexpr std::array<std::string_view, 2> schemaNames = {"Q7SRV", "VELDA"};

std::string at(const Token& t) { return " at offset " + std::to_string(t.offset); }

// A dotted name as written, resolved once the FROM list is known.
struct Name {
    std::vector<std::string> parts;
    const Token* first = nullptr;
};

std::string joined(const Name& n) {
    std::string s;
    for (const auto& p : n.parts) s += (s.empty() ? "" : ".") + p;
    return s;
}

bool isSchemaName(std::string_view word) {
    for (auto s : schemaNames) {
        if (sameName(word, s)) return true;
    }
    return false;
}

class Parser {
public:
    Parser(const std::vector<Token>& tokens, std::string& error) : tokens_(tokens), error_(error) {}

    bool statement(Statement& out) {
        if (peek().kind == TokenKind::End) return fail("the statement is empty");
        if (!expectWord("SELECT")) return false;
        std::vector<Name> select;
        do {
            Name n;
            if (!name(n, "a column name")) return false;
            select.push_back(std::move(n));
        } while (acceptSymbol(","));
        if (!expectWord("FROM")) return false;
        do {
            if (!table(out)) return false;
        } while (acceptSymbol(","));
        tables_ = &out.tables;
        for (const Name& n : select) {
            ColumnRef ref;
            if (!resolve(n, ref)) return false;
            out.select.push_back(ref);
        }
        if (acceptWord("AT")) {
            if (!expectSymbol("(")) return false;
            const Token& t = peek();
            if (t.kind != TokenKind::QuotedString && t.kind != TokenKind::String) {
                return fail("expected the node name in quotes after AT (, found " + describe(t) + at(t));
            }
            out.node = t.text;
            out.nodeToken = static_cast<int>(pos_);
            ++pos_;
            if (!expectSymbol(")")) return false;
        }
        if (acceptWord("WHERE")) {
            Condition c;
            if (!orCondition(c)) return false;
            out.where = std::move(c);
        }
        if (acceptSymbol(";") && peek().kind != TokenKind::End) {
            return fail("only one statement may be sent: text follows the ';'" + at(peek()));
        }
        if (peek().kind != TokenKind::End) {
            return fail("unexpected " + describe(peek()) + at(peek()));
        }
        return true;
    }

private:
    const Token& peek(std::size_t ahead = 0) const {
        const std::size_t i = pos_ + ahead;
        return i < tokens_.size() ? tokens_[i] : tokens_.back();
    }

    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    bool isWord(const Token& t, std::string_view word) const {
        return t.kind == TokenKind::Word && sameName(t.text, word);
    }
    bool isSymbol(const Token& t, std::string_view symbol) const {
        return t.kind == TokenKind::Symbol && t.text == symbol;
    }
    bool acceptWord(std::string_view word) {
        if (!isWord(peek(), word)) return false;
        ++pos_;
        return true;
    }
    bool acceptSymbol(std::string_view symbol) {
        if (!isSymbol(peek(), symbol)) return false;
        ++pos_;
        return true;
    }
    bool expectWord(std::string_view word) {
        if (acceptWord(word)) return true;
        return fail("expected " + std::string(word) + ", found " + describe(peek()) + at(peek()));
    }
    bool expectSymbol(std::string_view symbol) {
        if (acceptSymbol(symbol)) return true;
        return fail("expected '" + std::string(symbol) + "', found " + describe(peek()) + at(peek()));
    }

    static bool isReserved(const Token& t) {
        for (auto w : reservedWords) {
            if (t.kind == TokenKind::Word && sameName(t.text, w)) return true;
        }
        return false;
    }

    // A name of up to three dotted parts.
    bool name(Name& out, std::string_view what) {
        out.first = &peek();
        for (;;) {
            const Token& t = peek();
            if (t.kind != TokenKind::Word || isReserved(t)) {
                return fail("expected " + std::string(what) + ", found " + describe(t) + at(t));
            }
            out.parts.push_back(t.text);
            ++pos_;
            if (!isSymbol(peek(), ".")) return true;
            if (out.parts.size() == 3) return fail("too many qualifiers in " + joined(out) + at(*out.first));
            ++pos_;
        }
    }

    bool table(Statement& out) {
        Name n;
        if (!name(n, "a table name")) return false;
        if (n.parts.size() > 2) return fail("malformed table name " + joined(n) + at(*n.first));
        if (n.parts.size() == 2 && !isSchemaName(n.parts[0])) {
            return fail("unknown schema " + n.parts[0] + at(*n.first));
        }
        const int index = catalog().tableIndex(n.parts.back());
        if (index < 0) return fail("unknown table " + joined(n) + at(*n.first));
        for (int t : out.tables) {
            if (t == index) return fail("table " + n.parts.back() + " is listed twice" + at(*n.first));
        }
        out.tables.push_back(index);
        return true;
    }

    // Finds a column among the FROM tables: COLUMN, TABLE.COLUMN or
    // SCHEMA.TABLE.COLUMN.
    bool resolve(const Name& n, ColumnRef& ref) {
        const Catalog& cat = catalog();
        const std::string& column = n.parts.back();
        if (n.parts.size() == 3 && !isSchemaName(n.parts[0])) {
            return fail("unknown schema " + n.parts[0] + at(*n.first));
        }
        if (n.parts.size() == 1) {
            for (int t : *tables_) {
                const int c = cat.tables[t].columnIndex(column);
                if (c < 0) continue;
                if (ref.table >= 0) {
                    return fail("column " + column + " is ambiguous; qualify it with its table" + at(*n.first));
                }
                ref = {t, c};
            }
            if (ref.table < 0) return fail("unknown column " + column + at(*n.first));
            return true;
        }
        const std::string& table = n.parts[n.parts.size() - 2];
        for (int t : *tables_) {
            if (!sameName(cat.tables[t].name, table)) continue;
            const int c = cat.tables[t].columnIndex(column);
            if (c < 0) return fail("unknown column " + joined(n) + at(*n.first));
            ref = {t, c};
            return true;
        }
        if (cat.tableIndex(table) < 0) return fail("unknown table " + table + " in " + joined(n) + at(*n.first));
        return fail("table " + table + " of " + joined(n) + " is not in the FROM list" + at(*n.first));
    }

    bool columnRef(ColumnRef& ref) {
        Name n;
        return name(n, "a column name") && resolve(n, ref);
    }

    bool integer(int64_t& value, int* token = nullptr) {
        const bool negative = acceptSymbol("-");
        const Token& t = peek();
        if (token) *token = static_cast<int>(pos_);
        if (t.kind != TokenKind::Number) return fail("expected a number, found " + describe(t) + at(t));
        uint64_t v = 0;
        const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
        for (char c : t.text) {
            const auto digit = static_cast<uint64_t>(c - '0');
            if (v > (limit - digit) / 10) return fail("number " + t.text + " is too large" + at(t));
            v = v * 10 + digit;
        }
        value = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
        ++pos_;
        return true;
    }

    bool operand(Operand& out) {
        const Token& t = peek();
        if (t.kind == TokenKind::String || t.kind == TokenKind::QuotedString) {
            out.kind = Operand::Kind::Text;
            out.text = t.text;
            out.token = static_cast<int>(pos_);
            ++pos_;
            return true;
        }
        if (t.kind == TokenKind::Number || isSymbol(t, "-")) {
            out.kind = Operand::Kind::Integer;
            return integer(out.integer, &out.token);
        }
        if (isWord(t, "SUBSTR") && isSymbol(peek(1), "(")) {
            pos_ += 2;
            out.kind = Operand::Kind::Substr;
            if (!columnRef(out.column) || !expectSymbol(",") || !integer(out.start, &out.startToken)) return false;
            if (acceptSymbol(",")) {
                int64_t length = 0;
                if (!integer(length, &out.lengthToken)) return false;
                out.length = length;
            }
            return expectSymbol(")");
        }
        out.kind = Operand::Kind::Column;
        return columnRef(out.column);
    }

    bool parmaCall() {
        pos_ += 4; // SYSTEM . PARMA (
        if (acceptSymbol(")")) return true;
        do {
            const Token& t = peek();
            if (t.kind == TokenKind::String || t.kind == TokenKind::QuotedString) {
                ++pos_;
            } else {
                int64_t ignored = 0;
                if (!integer(ignored)) return false;
            }
        } while (acceptSymbol(","));
        return expectSymbol(")");
    }

    bool predicate(Condition& out) {
        if (!operand(out.left)) return false;
        const Token& t = peek();
        const bool negated = isWord(t, "NOT") && isWord(peek(1), "LIKE");
        if (negated || isWord(t, "LIKE")) {
            pos_ += negated ? 2 : 1;
            const Token& p = peek();
            if (p.kind != TokenKind::String && p.kind != TokenKind::QuotedString) {
                return fail("LIKE needs a quoted pattern, found " + describe(p) + at(p));
            }
            out.kind = Condition::Kind::Like;
            out.right.kind = Operand::Kind::Text;
            out.right.text = p.text;
            out.right.token = static_cast<int>(pos_);
            ++pos_;
            if (negated) {
                Condition inner = std::move(out);
                out = Condition{};
                out.kind = Condition::Kind::Not;
                out.terms.push_back(std::move(inner));
            }
            return true;
        }
        for (std::string_view op : {"=", "<>", "<", ">", "<=", ">="}) {
            if (isSymbol(t, op)) {
                ++pos_;
                out.kind = Condition::Kind::Compare;
                out.op = op;
                return operand(out.right);
            }
        }
        return fail("expected a comparison operator or LIKE, found " + describe(t) + at(t));
    }

    bool primary(Condition& out) {
        const Token& start = peek();
        if (acceptSymbol("(")) {
            if (++depth_ > maxDepth) return fail("conditions nested too deeply" + at(start));
            if (!orCondition(out)) return false;
            --depth_;
            return expectSymbol(")");
        }
        if (isWord(peek(), "SYSTEM") && isSymbol(peek(1), ".") && isWord(peek(2), "PARMA") &&
            isSymbol(peek(3), "(")) {
            out.kind = Condition::Kind::True;
            return parmaCall();
        }
        return predicate(out);
    }

    bool notCondition(Condition& out) {
        const Token& start = peek();
        if (!acceptWord("NOT")) return primary(out);
        if (++depth_ > maxDepth) return fail("conditions nested too deeply" + at(start));
        out.kind = Condition::Kind::Not;
        out.terms.emplace_back();
        if (!notCondition(out.terms.back())) return false;
        --depth_;
        return true;
    }

    // A chain of `part`s joined by `word`, kept as one node of many terms.
    template <typename Part>
    bool chain(Condition& out, std::string_view word, Condition::Kind kind, Part part) {
        Condition first;
        if (!(this->*part)(first)) return false;
        if (!isWord(peek(), word)) {
            out = std::move(first);
            return true;
        }
        out.kind = kind;
        out.terms.push_back(std::move(first));
        while (acceptWord(word)) {
            out.terms.emplace_back();
            if (!(this->*part)(out.terms.back())) return false;
        }
        return true;
    }

    bool andCondition(Condition& out) { return chain(out, "AND", Condition::Kind::And, &Parser::notCondition); }
    bool orCondition(Condition& out) { return chain(out, "OR", Condition::Kind::Or, &Parser::andCondition); }

    const std::vector<Token>& tokens_;
    std::string& error_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    const std::vector<int>* tables_ = nullptr;
};

} // namespace

bool parseStatement(const std::vector<Token>& tokens, Statement& out, std::string& error) {
    out = Statement{};
    if (tokens.empty()) {
        error = "the statement is empty";
        return false;
    }
    if (!catalog().error.empty()) {
        error = catalog().error;
        return false;
    }
    return Parser(tokens, error).statement(out);
}

} // namespace host::sql
