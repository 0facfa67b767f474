#include "row_rules.h"

#include <algorithm>
#include <cstring>

#include "support/fixed_width.h"

namespace reliability {

std::string notOneStatement(const std::string& text, std::vector<host::sql::Token>& tokens) {
    tokens.clear();
    std::string error;
    if (!host::sql::tokenize(text, tokens, error)) return "it does not tokenize: " + error;
    for (size_t i = 0; i + 1 < tokens.size(); ++i)
        if (tokens[i].kind == host::sql::TokenKind::Symbol && tokens[i].text == ";" &&
            tokens[i + 1].kind != host::sql::TokenKind::End)
            return "a \";\" before the end at offset " + std::to_string(tokens[i].offset);
    return {};
}

namespace {

using zrxtest::trimmed;

bool isOwner(const zrx::MentrenqRow& r) { return r.owningas[0] != ' '; }

bool sameResource(const zrx::MentrenqRow& a, const zrx::MentrenqRow& b) {
    return std::memcmp(a.enqplex, b.enqplex, sizeof a.enqplex) == 0 &&
           std::memcmp(a.majorname, b.majorname, sizeof a.majorname) == 0 &&
           std::memcmp(a.minorname, b.minorname, sizeof a.minorname) == 0;
}

} // namespace

std::vector<std::string> ruleViolations(const std::vector<zrx::MentrenqRow>& rows, bool detailMode,
                                        const std::vector<std::string>& enqplexes) {
    std::vector<std::string> out;
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& r = rows[i];
        const std::string at = "row " + std::to_string(i) + ": ";
        const std::string enqplex = trimmed(r.enqplex, sizeof r.enqplex);
        if (std::find(enqplexes.begin(), enqplexes.end(), enqplex) == enqplexes.end())
            out.push_back(at + "unknown Enqplex '" + enqplex + "'");
        if (r.padding != 0) out.push_back(at + "the byte after the minor name was written");
        if (r.owntaskct < 0 || r.waittaskct < 0 || r.owntaskct + r.waittaskct < 1)
            out.push_back(at + "task counts " + std::to_string(r.owntaskct) + "/" +
                          std::to_string(r.waittaskct));
        if (detailMode) {
            const bool markedWaiter = r.trueowner == 0x40;
            if (markedWaiter == isOwner(r)) out.push_back(at + "true-owner mark against the role");
            if (r.trueowner != 0 && r.trueowner != 0x40 && r.trueowner != 0x80)
                out.push_back(at + "true-owner mark " + std::to_string(r.trueowner));
        }
    }
    if (!detailMode) return out;
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        int owners = 0;
        int32_t longest = 0;
        while (j < rows.size() && sameResource(rows[i], rows[j])) {
            owners += isOwner(rows[j]) ? 1 : 0;
            longest = std::max(longest, rows[j].waittime);
            ++j;
        }
        const auto& r = rows[i];
        const std::string at = "resource at row " + std::to_string(i) + ": ";
        if (static_cast<long>(j - i) != static_cast<long>(r.owntaskct) + r.waittaskct)
            out.push_back(at + std::to_string(j - i) + " rows for " + std::to_string(r.owntaskct) +
                          "+" + std::to_string(r.waittaskct) + " tasks");
        if (owners != r.owntaskct) out.push_back(at + "owner rows differ from the owner count");
        if (r.maxwaittm != longest) out.push_back(at + "longest wait differs from its tasks'");
        i = j;
    }
    return out;
}

} // namespace reliability
