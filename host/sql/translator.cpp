#include "sql/translator.h"

#include <algorithm>

#include "sql/fixed_width.h"
#include "sql/schema.h"

namespace host::sql {

namespace {

std::string quotedName(std::string_view name) {
    std::string quoted(1, '"');
    quoted += name;
    quoted += '"';
    return quoted;
}

// Lists of values to look up are padded to a multiple of this many rows.
constexpr std::size_t valueRowsMultiple = 8;

class Writer {
public:
    Writer(const Statement& s, TranslationOptions options) : statement_(s), catalog_(catalog()), options_(options) {}

    Translation run(std::string_view node) {
        std::vector<int> order = statement_.tables;
        std::sort(order.begin(), order.end());

        std::string& sql = out_.sql;
        sql = "SELECT ";
        for (std::size_t i = 0; i < statement_.select.size(); ++i) {
            sql += (i ? ", " : "") + column(statement_.select[i]);
        }
        sql += " FROM ";
        for (std::size_t i = 0; i < order.size(); ++i) {
            sql += (i ? " CROSS JOIN " : "") + quotedName(catalog_.tables[order[i]].name);
        }

        std::vector<int> routed;
        for (int t : order) {
            if (catalog_.tables[t].routed) routed.push_back(t);
        }
        if (!routed.empty()) {
            nodeValue_ = bind(textValue(std::string(withoutTrailingBlanks(node)), {ValueOrigin::Kind::Node, -1}));
        }

        std::vector<const Condition*> conjuncts;
        if (statement_.where) flatten(*statement_.where, Condition::Kind::And, conjuncts);

        // For each routed table, the first top-level OR whose every branch
        // refers to it takes the table's restriction into its branches.
        std::vector<std::vector<int>> pushed(conjuncts.size());
        std::vector<int> topLevel;
        for (int t : routed) {
            if (options_.asWritten && options_.restrictOnce) {
                topLevel.push_back(t);
                continue;
            }
            bool placed = false;
            for (std::size_t i = 0; i < conjuncts.size() && !placed; ++i) {
                if (conjuncts[i]->kind != Condition::Kind::Or) continue;
                std::vector<const Condition*> branches;
                flatten(*conjuncts[i], Condition::Kind::Or, branches);
                placed = std::all_of(branches.begin(), branches.end(),
                                     [&](const Condition* b) { return refersTo(*b, t); });
                if (placed) pushed[i].push_back(t);
            }
            if (!placed) topLevel.push_back(t);
        }

        std::vector<std::string> where;
        if (!options_.asWritten && order.size() == 1 && routed.size() == 1 && conjuncts.empty()) {
            // Every row of one node: its rowids are gathered from the index
            // and the rows read in rowid order, rather than the whole rows
            // sorted into rowid order after the index gave them.
            const std::string name = quotedName(catalog_.tables[order[0]].name);
            where.push_back(name + ".rowid IN (SELECT " + name + ".rowid FROM " + name + " WHERE " +
                            restriction(order[0]) + ")");
            topLevel.clear();
        }
        for (int t : topLevel) where.push_back(restriction(t));
        for (std::size_t i = 0; i < conjuncts.size(); ++i) {
            std::vector<const Condition*> branches;
            if (conjuncts[i]->kind == Condition::Kind::Or) flatten(*conjuncts[i], Condition::Kind::Or, branches);
            if (!options_.asWritten && !branches.empty() && isValueList(branches)) {
                where.push_back(lookUpEach(branches));
            } else {
                where.push_back(pushed[i].empty() ? condition(*conjuncts[i]) : routedBranches(*conjuncts[i], pushed[i]));
            }
        }
        for (std::size_t i = 0; i < where.size(); ++i) sql += (i ? " AND " : " WHERE ") + where[i];

        sql += " ORDER BY ";
        for (std::size_t i = 0; i < order.size(); ++i) {
            sql += (i ? ", " : "") + quotedName(catalog_.tables[order[i]].name) + ".rowid";
        }
        return std::move(out_);
    }

private:
    static void flatten(const Condition& c, Condition::Kind kind, std::vector<const Condition*>& out) {
        if (c.kind != kind) {
            out.push_back(&c);
            return;
        }
        for (const Condition& term : c.terms) flatten(term, kind, out);
    }

    static bool refersTo(const Operand& o, int table) {
        return (o.kind == Operand::Kind::Column || o.kind == Operand::Kind::Substr) && o.column.table == table;
    }

    static bool refersTo(const Condition& c, int table) {
        if (refersTo(c.left, table) || refersTo(c.right, table)) return true;
        return std::any_of(c.terms.begin(), c.terms.end(), [&](const Condition& t) { return refersTo(t, table); });
    }

    static BoundValue textValue(std::string text, ValueOrigin origin) {
        BoundValue v;
        v.text = std::move(text);
        v.origin = origin;
        return v;
    }

    static BoundValue integerValue(int64_t integer, int token) {
        BoundValue v;
        v.isText = false;
        v.integer = integer;
        v.origin.token = token;
        return v;
    }

    std::string bind(BoundValue v) {
        if (options_.inlineLiterals) return sqliteLiteral(v);
        out_.values.push_back(std::move(v));
        std::string parameter(1, '?');
        parameter += std::to_string(out_.values.size());
        return parameter;
    }

    std::string column(const ColumnRef& ref) const {
        const CatalogTable& t = catalog_.tables[ref.table];
        return quotedName(t.name) + "." + quotedName(t.columns[ref.column].name);
    }

    std::string restriction(int table) const {
        return quotedName(catalog_.tables[table].name) + "." + quotedName(routingColumn) + " = " + nodeValue_;
    }

    std::string routedBranches(const Condition& disjunction, const std::vector<int>& tables) {
        std::vector<const Condition*> branches;
        flatten(disjunction, Condition::Kind::Or, branches);
        std::string s = "(";
        for (std::size_t i = 0; i < branches.size(); ++i) {
            s += i ? " OR (" : "(";
            for (int t : tables) s += restriction(t) + " AND ";
            s += condition(*branches[i]) + ")";
        }
        return s + ")";
    }

    // `column = literal` (either way round): the column, and the literal
    // in `literal`.
    static const Operand* columnOfEquality(const Condition& c, const Operand*& literal) {
        if (c.kind != Condition::Kind::Compare || c.op != "=") return nullptr;
        const auto isLiteral = [](const Operand& o) {
            return o.kind == Operand::Kind::Text || o.kind == Operand::Kind::Integer;
        };
        if (c.left.kind == Operand::Kind::Column && isLiteral(c.right)) {
            literal = &c.right;
            return &c.left;
        }
        if (c.right.kind == Operand::Kind::Column && isLiteral(c.left)) {
            literal = &c.left;
            return &c.right;
        }
        return nullptr;
    }

    static const Operand* literalOf(const Condition& equality) {
        const Operand* literal = nullptr;
        columnOfEquality(equality, literal);
        return literal;
    }

    // Whether every branch of an OR is an AND of `column = literal` terms
    // over the same columns, in the same order, of one routed table: a list
    // of values to look up, e.g. a list of resources by major and minor name.
    bool isValueList(const std::vector<const Condition*>& branches) const {
        std::vector<ColumnRef> columns;
        for (std::size_t b = 0; b < branches.size(); ++b) {
            std::vector<const Condition*> terms;
            flatten(*branches[b], Condition::Kind::And, terms);
            if (b > 0 && terms.size() != columns.size()) return false;
            for (std::size_t i = 0; i < terms.size(); ++i) {
                const Operand* literal = nullptr;
                const Operand* col = columnOfEquality(*terms[i], literal);
                if (!col) return false;
                if (b == 0) {
                    columns.push_back(col->column);
                } else if (col->column.table != columns[i].table || col->column.column != columns[i].column) {
                    return false;
                }
            }
        }
        if (columns.empty() || !catalog_.tables[columns[0].table].routed) return false;
        return std::all_of(columns.begin(), columns.end(),
                           [&](const ColumnRef& c) { return c.table == columns[0].table; });
    }

    // The OR of a value list as a look-up of each row of values through the
    // table's (AT_NODE, ...) index, rather than one test of every branch
    // against each row of the node. Rowid IN keeps a row that matches
    // several rows of values once, and lets the rows come out in rowid
    // order as before. Comparisons keep the column on the left, so they
    // compare with the column's collation and affinity as `column = literal`
    // does. With bound values the list is padded to a multiple of
    // `valueRowsMultiple` rows with rows of nulls, which match nothing and
    // cost no search, so that lists of similar length share one statement
    // text and thus one prepared statement.
    std::string lookUpEach(const std::vector<const Condition*>& branches) {
        std::vector<const Condition*> first;
        flatten(*branches[0], Condition::Kind::And, first);
        const Operand* literal = nullptr;
        const int table = columnOfEquality(*first[0], literal)->column.table;
        const std::string name = quotedName(catalog_.tables[table].name);

        std::size_t rows = branches.size();
        if (!options_.inlineLiterals) rows = (rows + valueRowsMultiple - 1) / valueRowsMultiple * valueRowsMultiple;
        std::string s = "(" + name + ".rowid IN (SELECT " + name + ".rowid FROM (VALUES ";
        for (std::size_t r = 0; r < rows; ++r) {
            std::vector<const Condition*> terms;
            if (r < branches.size()) flatten(*branches[r], Condition::Kind::And, terms);
            s += r ? ", (" : "(";
            for (std::size_t i = 0; i < first.size(); ++i) {
                BoundValue null;
                null.isNull = true;
                null.origin.kind = ValueOrigin::Kind::Null;
                s += (i ? ", " : "") + (terms.empty() ? bind(null) : operand(*literalOf(*terms[i])));
            }
            s += ")";
        }
        s += ") AS \"P\" CROSS JOIN " + name + " WHERE " + restriction(table);
        for (std::size_t i = 0; i < first.size(); ++i) {
            s += " AND " + column(columnOfEquality(*first[i], literal)->column) + " = \"P\".\"column" +
                 std::to_string(i + 1) + "\"";
        }
        return s + "))";
    }

    std::string operand(const Operand& o) {
        switch (o.kind) {
        case Operand::Kind::Column:
            return column(o.column);
        case Operand::Kind::Text:
            return bind(textValue(o.text, {ValueOrigin::Kind::Literal, o.token}));
        case Operand::Kind::Integer:
            return bind(integerValue(o.integer, o.token));
        case Operand::Kind::Substr: {
            std::string s = "(substr(" + column(o.column) + ", ";
            s += bind(integerValue(o.start, o.startToken));
            if (o.length) s += ", " + bind(integerValue(*o.length, o.lengthToken));
            return s + ") COLLATE RTRIM)";
        }
        }
        return "NULL";
    }

    std::string condition(const Condition& c) {
        switch (c.kind) {
        case Condition::Kind::Compare: {
            // Values are numbered in the order they stand in the text.
            const std::string left = operand(c.left);
            return "(" + left + " " + c.op + " " + operand(c.right) + ")";
        }
        case Condition::Kind::Like: {
            const std::string left = operand(c.left);
            return "(rtrim(" + left + ") GLOB " +
                   bind(textValue(globPattern(withoutTrailingBlanks(c.right.text)),
                                  {ValueOrigin::Kind::Glob, c.right.token})) +
                   ")";
        }
        case Condition::Kind::And:
        case Condition::Kind::Or: {
            std::string s = "(";
            for (std::size_t i = 0; i < c.terms.size(); ++i) {
                if (i) s += c.kind == Condition::Kind::And ? " AND " : " OR ";
                s += condition(c.terms[i]);
            }
            return s + ")";
        }
        case Condition::Kind::Not:
            return "(NOT " + condition(c.terms[0]) + ")";
        case Condition::Kind::True:
            return "1";
        }
        return "0";
    }

    const Statement& statement_;
    const Catalog& catalog_;
    const TranslationOptions options_;
    Translation out_;
    std::string nodeValue_;
};

} // namespace

std::string globPattern(std::string_view likePattern) {
    std::string glob;
    for (char c : likePattern) {
        switch (c) {
        case '?':
            glob += "[?]";
            break;
        case '[':
            glob += "[[]";
            break;
        default:
            glob += c;
        }
    }
    return glob;
}

std::string sqliteLiteral(const BoundValue& value) {
    if (value.isNull) return "NULL";
    if (!value.isText) return std::to_string(value.integer);
    std::string s = "'";
    for (char c : value.text) {
        if (c == '\'') s += '\'';
        s += c;
    }
    return s + "'";
}

Translation translate(const Statement& statement, std::string_view node, TranslationOptions options) {
    return Writer(statement, options).run(node);
}

} // namespace host::sql
