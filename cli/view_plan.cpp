#include "cli/view_plan.h"

#include <algorithm>
#include <string>

#include "cli/columns.h"

namespace cli {

namespace {

using zrx::ColumnId;
using zrx::IndexOp;

// A value as the view stores it: up to the first blank, at most the
// column's width. A minor name keeps its inner blanks and loses only its
// padding. A NUL ends a value, as it ends the C string the view reads.
std::string asStored(const std::string& value, ColumnId column) {
    const std::string text = value.substr(0, value.find('\0'));
    const size_t width = zrx::columnSpec(column).width;
    if (column == ColumnId::minorname) {
        if (!text.empty() && text[0] == ' ') return "";
        std::string stored = text.substr(0, width);
        stored.erase(stored.find_last_not_of(' ') + 1);
        return stored;
    }
    return text.substr(0, std::min(text.find(' '), width));
}

} // namespace

bool viewTakes(const std::vector<host::Predicate>& predicates) {
    // Unset major and minor names hold " ", an unset Enqplex 8 blanks; a
    // value counts as given when its first character is not a blank.
    std::string major = " ", minor = " ", enqplex, report;
    for (const auto& p : predicates) {
        ColumnId column = ColumnId::report;
        if (p.column == zrx::columnSpec(ColumnId::majorname).name) column = ColumnId::majorname;
        else if (p.column == zrx::columnSpec(ColumnId::minorname).name) column = ColumnId::minorname;
        else if (p.column == zrx::columnSpec(ColumnId::enqplex).name) column = ColumnId::enqplex;
        else if (p.column != zrx::columnSpec(ColumnId::report).name) continue;
        if (p.op != IndexOp::EQ) return false;
        const std::string stored = asStored(p.value, column);
        switch (column) {
        case ColumnId::majorname: major = stored; break;
        case ColumnId::minorname: minor = stored; break;
        case ColumnId::enqplex:
            if (!stored.empty()) enqplex = stored;
            break;
        default: report = stored; break;
        }
    }
    if (predicates.empty()) return false;
    auto given = [](const std::string& v) { return v.empty() || v[0] != ' '; };
    const bool resource = given(major) && given(minor) && !enqplex.empty();
    const bool wantsReport = report == zrx::reportPredicate.value;
    return resource ? !wantsReport : wantsReport && !given(major) && !given(minor) && enqplex.empty();
}

std::vector<host::Predicate> viewPlan(const std::vector<host::Predicate>& conditions) {
    std::vector<host::Predicate> resource;
    bool seen[3] = {false, false, false};
    const ColumnId columns[3] = {ColumnId::majorname, ColumnId::minorname, ColumnId::enqplex};
    for (const auto& c : conditions) {
        if (c.op != IndexOp::EQ) continue;
        for (int k = 0; k < 3; ++k)
            if (!seen[k] && c.column == zrx::columnSpec(columns[k]).name) {
                seen[k] = true;
                resource.push_back(c);
            }
    }
    if (resource.size() == 3 && viewTakes(resource)) return resource;
    return {host::Predicate::report()};
}

} // namespace cli
