#include "cli/aligned_table.h"

#include <algorithm>

#include "cli/columns.h"

namespace cli {

void writeAlignedTable(std::ostream& out, const std::vector<std::string>& header,
                       const std::vector<std::vector<std::string>>& rows,
                       const std::vector<bool>& rightAligned) {
    const size_t n = header.size();
    if (n == 0) return;
    std::vector<size_t> width(n);
    for (size_t c = 0; c < n; ++c) width[c] = header[c].size();
    for (const auto& row : rows)
        for (size_t c = 0; c < n && c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
    auto emit = [&](const std::vector<std::string>& line, bool body) {
        std::string text;
        for (size_t c = 0; c < n; ++c) {
            const std::string s = c < line.size() ? printableText(line[c]) : std::string();
            const std::string pad(width[c] - s.size(), ' ');
            const bool right = body && c < rightAligned.size() && rightAligned[c];
            text += right ? pad + s : s + pad;
            if (c + 1 < n) text += "  ";
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out << text << '\n';
    };
    emit(header, false);
    std::vector<std::string> rule;
    for (size_t c = 0; c < n; ++c) rule.push_back(std::string(width[c], '-'));
    emit(rule, false);
    for (const auto& row : rows) emit(row, true);
}

} // namespace cli
