#include "sql/translator.h"

#include <algorithm>

#include "sql/schema.h"

namespace host::sql {

namespace {

// Trailing blanks do not count in the dialect's character comparisons.
std::string_view withoutTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string quotedName(std::string_view name) {
    std::string quoted(1, '"');
    quoted += name;
    quoted += '"';
    return quoted;
}

class Writer {
public:
    explicit Writer(const Statement& s) : statement_(s), catalog_(catalog()) {}

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
        if (!routed.empty()) nodeValue_ = bind(BoundValue{true, std::string(withoutTrailingBlanks(node)), 0});

        std::vector<const Condition*> conjuncts;
        if (statement_.where) flatten(*statement_.where, Condition::Kind::And, conjuncts);

        // For each routed table, the first top-level OR whose every branch
        // refers to it takes the table's restriction into its branches.
        std::vector<std::vector<int>> pushed(conjuncts.size());
        std::vector<int> topLevel;
        for (int t : routed) {
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
        for (int t : topLevel) where.push_back(restriction(t));
        for (std::size_t i = 0; i < conjuncts.size(); ++i) {
            where.push_back(pushed[i].empty() ? condition(*conjuncts[i]) : routedBranches(*conjuncts[i], pushed[i]));
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

    std::string bind(BoundValue v) {
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

    std::string operand(const Operand& o) {
        switch (o.kind) {
        case Operand::Kind::Column:
            return column(o.column);
        case Operand::Kind::Text:
            return bind(BoundValue{true, o.text, 0});
        case Operand::Kind::Integer:
            return bind(BoundValue{false, {}, o.integer});
        case Operand::Kind::Substr: {
            std::string s = "(substr(" + column(o.column) + ", ";
            s += bind(BoundValue{false, {}, o.start});
            if (o.length) s += ", " + bind(BoundValue{false, {}, *o.length});
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
                   bind(BoundValue{true, globPattern(withoutTrailingBlanks(c.right.text)), 0}) + ")";
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

Translation translate(const Statement& statement, std::string_view node) { return Writer(statement).run(node); }

} // namespace host::sql
