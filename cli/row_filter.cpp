#include "cli/row_filter.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "cli/columns.h"

namespace cli {

namespace {

bool wholeNumber(const std::string& text, int64_t& out) {
    const size_t digits = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (text.size() <= digits || text.find_first_not_of("0123456789", digits) != std::string::npos) return false;
    errno = 0;
    const long long n = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0) return false;
    out = n;
    return true;
}

std::string withoutTrailingBlanks(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

template <class T>
bool compare(const T& left, int16_t op, const T& right) {
    switch (op) {
    case 1: return left == right;
    case 2: return left != right;
    case 3: return left >= right;
    case 4: return left <= right;
    case 5: return left < right;
    case 6: return left > right;
    default: return false;
    }
}

} // namespace

bool rowConditions(const std::vector<host::Predicate>& predicates, std::vector<RowCondition>& out,
                   std::string& error) {
    for (const auto& p : predicates) {
        const auto column = findColumn(p.column);
        if (!column || isIndexColumn(*column)) continue;
        RowCondition c;
        c.column = *column;
        c.op = p.op;
        c.numeric = isNumericColumn(*column);
        if (c.numeric && !wholeNumber(withoutTrailingBlanks(p.value), c.number)) {
            error = p.column + " holds whole numbers; \"" + p.value + "\" is not one";
            return false;
        }
        if (!c.numeric) c.text = withoutTrailingBlanks(p.value);
        out.push_back(std::move(c));
    }
    return true;
}

bool rowMeets(const zrx::MentrenqRow& row, const std::vector<RowCondition>& conditions) {
    for (const auto& c : conditions) {
        const ColumnValue v = columnValue(row, c.column);
        // std::string compares its bytes as unsigned characters.
        if (!(c.numeric ? compare(v.number, c.op, c.number) : compare(v.text, c.op, c.text))) return false;
    }
    return true;
}

void keepRowsMeeting(std::vector<zrx::MentrenqRow>& rows, const std::vector<RowCondition>& conditions) {
    if (conditions.empty()) return;
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](const zrx::MentrenqRow& r) { return !rowMeets(r, conditions); }),
               rows.end());
}

} // namespace cli
