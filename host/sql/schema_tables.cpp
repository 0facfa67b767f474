#include "sql/schema_tables.h"

#include <cctype>
#include <vector>

namespace host::sql {

namespace {

// One token of the script: a word or name (quotes taken off), a number, a
// string literal, or one punctuation character. Blanks and comments are
// dropped. `text` is the token as written, for declared types.
struct Token {
    enum class Kind { Word, Quoted, Literal, Other } kind;
    std::string value;
    std::string_view text;
};

bool tokenize(std::string_view s, std::vector<Token>& out, std::string& error) {
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (s.compare(i, 2, "--") == 0) {
            i = s.find('\n', i);
            if (i == std::string_view::npos) i = s.size();
        } else if (s.compare(i, 2, "/*") == 0) {
            const std::size_t end = s.find("*/", i + 2);
            if (end == std::string_view::npos) {
                error = "a comment that does not end";
                return false;
            }
            i = end + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            std::string value;
            std::size_t j = i + 1;
            for (;; ++j) {
                if (j >= s.size()) {
                    error = "a quoted text that does not end";
                    return false;
                }
                if (s[j] != close) {
                    value += s[j];
                } else if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
                    value += close;
                    ++j;
                } else {
                    break;
                }
            }
            out.push_back({c == '\'' ? Token::Kind::Literal : Token::Kind::Quoted, value, s.substr(i, j + 1 - i)});
            i = j + 1;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80) {
            std::size_t j = i;
            while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_' || s[j] == '$' ||
                                    static_cast<unsigned char>(s[j]) >= 0x80))
                ++j;
            out.push_back({Token::Kind::Word, std::string(s.substr(i, j - i)), s.substr(i, j - i)});
            i = j;
        } else {
            out.push_back({Token::Kind::Other, std::string(1, c), s.substr(i, 1)});
            ++i;
        }
    }
    return true;
}

bool isWord(const Token& t, std::string_view word) { return t.kind == Token::Kind::Word && sameName(t.value, word); }

bool isName(const Token& t) { return t.kind == Token::Kind::Word || t.kind == Token::Kind::Quoted; }

// The words with which a column's constraints, and so the end of its
// declared type, begin; and those that begin a table's constraint.
bool startsColumnConstraint(const Token& t) {
    for (std::string_view w : {"CONSTRAINT", "PRIMARY", "NOT", "NULL", "UNIQUE", "CHECK", "DEFAULT", "COLLATE",
                               "REFERENCES", "GENERATED", "AS"})
        if (isWord(t, w)) return true;
    return false;
}

bool startsTableConstraint(const Token& t) {
    for (std::string_view w : {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"})
        if (isWord(t, w)) return true;
    return false;
}

// Reads one column definition or table constraint from `at` up to the comma
// or parenthesis that ends it, which `at` is left on. A table the data
// server answers from (`served`) must declare types it can deliver.
bool readColumn(const std::vector<Token>& t, std::size_t& at, bool served, CatalogTable& table, std::string& error) {
    const std::size_t end = t.size();
    if (at < end && startsTableConstraint(t[at])) {
        for (int depth = 0; at < end; ++at) {
            if (t[at].value == "(" && t[at].kind == Token::Kind::Other) ++depth;
            if (t[at].kind == Token::Kind::Other && t[at].value == ")" && depth-- == 0) return true;
            if (t[at].kind == Token::Kind::Other && t[at].value == "," && depth == 0) return true;
        }
        error = "a table constraint of " + table.name + " does not end";
        return false;
    }
    if (at >= end || !isName(t[at])) {
        error = "a column of " + table.name + " has no name";
        return false;
    }
    ColumnSpec spec;
    spec.name = t[at++].value;
    // The declared type: the tokens up to the first constraint, as written.
    const char* typeStart = nullptr;
    const char* typeEnd = nullptr;
    for (int depth = 0; at < end; ++at) {
        const Token& k = t[at];
        const bool punct = k.kind == Token::Kind::Other;
        if (depth == 0 && (startsColumnConstraint(k) || (punct && (k.value == "," || k.value == ")")))) break;
        if (punct && k.value == "(") ++depth;
        if (punct && k.value == ")") --depth;
        if (!typeStart) typeStart = k.text.data();
        typeEnd = k.text.data() + k.text.size();
    }
    const std::string_view declared = typeStart ? std::string_view(typeStart, static_cast<std::size_t>(typeEnd - typeStart))
                                                : std::string_view();
    // Column constraints: only NOT NULL matters to the data server.
    for (int depth = 0; at < end; ++at) {
        const Token& k = t[at];
        const bool punct = k.kind == Token::Kind::Other;
        if (depth == 0 && punct && (k.value == "," || k.value == ")")) break;
        if (punct && k.value == "(") ++depth;
        if (punct && k.value == ")") --depth;
        if (depth == 0 && isWord(k, "NOT") && at + 1 < end && isWord(t[at + 1], "NULL")) spec.notNull = true;
    }
    if (at >= end) {
        error = "the columns of " + table.name + " do not end";
        return false;
    }
    if (!columnTypeFromDeclared(declared, spec) && served) {
        error = "column " + table.name + "." + spec.name + " has type \"" + std::string(declared) +
                "\", which the data server cannot deliver";
        return false;
    }
    if (sameName(spec.name, routingColumn)) table.routed = true;
    table.columns.push_back(std::move(spec));
    return true;
}

// Reads CREATE TABLE NAME ( ... ) from `at`, which is on TABLE.
bool readTable(const std::vector<Token>& t, std::size_t& at, Catalog& out, std::string& error) {
    const std::size_t end = t.size();
    ++at;
    if (at + 1 < end && isWord(t[at], "IF")) {
        error = "CREATE TABLE IF NOT EXISTS is not read";
        return false;
    }
    if (at >= end || !isName(t[at])) {
        error = "a CREATE TABLE without a name";
        return false;
    }
    CatalogTable table;
    table.name = t[at++].value;
    if (at < end && t[at].kind == Token::Kind::Other && t[at].value == ".") {
        error = "table " + table.name + " is named with its schema";
        return false;
    }
    if (at >= end || t[at].value != "(" || t[at].kind != Token::Kind::Other) {
        error = "table " + table.name + " is not made from a list of columns";
        return false;
    }
    const bool served = !sameName(table.name, "CAPTURE") &&
                        !(table.name.size() >= 7 && sameName(std::string_view(table.name).substr(0, 7), "sqlite_"));
    for (++at;;) {
        if (!readColumn(t, at, served, table, error)) return false;
        if (t[at].value == ")") break;
        ++at;
    }
    ++at;
    // WITHOUT ROWID and STRICT change which columns may hold NULL and what
    // their types mean; rows without a rowid have no order to deliver.
    if (at < end && !(t[at].kind == Token::Kind::Other && t[at].value == ";")) {
        error = "table " + table.name + " has options after its columns (" + t[at].value + "), which are not read";
        return false;
    }
    if (served) out.tables.push_back(std::move(table));
    return true;
}

} // namespace

bool readSchemaTables(std::string_view script, Catalog& out, std::string& error) {
    std::vector<Token> t;
    if (!tokenize(script, t, error)) return false;
    for (std::size_t at = 0; at < t.size();) {
        const std::size_t start = at;
        if (isWord(t[at], "CREATE")) {
            ++at;
            if (at < t.size() && (isWord(t[at], "TEMP") || isWord(t[at], "TEMPORARY") || isWord(t[at], "VIRTUAL"))) {
                error = "CREATE " + t[at].value + " TABLE is not read";
                return false;
            }
            if (at < t.size() && isWord(t[at], "TABLE") && !readTable(t, at, out, error)) return false;
        }
        // The rest of any other statement (an index's columns, a view's
        // query) says nothing about the tables' columns.
        while (at < t.size() && !(t[at].kind == Token::Kind::Other && t[at].value == ";")) ++at;
        if (at < t.size()) ++at;
        if (at == start) ++at;
    }
    if (out.tables.empty()) {
        error = "the schema defines no table";
        return false;
    }
    return true;
}

} // namespace host::sql
