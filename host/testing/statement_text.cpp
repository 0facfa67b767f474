#include "testing/statement_text.h"

#include <string>
#include <vector>

#include "sql/tokenizer.h"

namespace host {

StatementKind classifyStatement(std::string_view text) {
    std::vector<sql::Token> tokens;
    std::string error;
    if (!sql::tokenize(text, tokens, error)) return StatementKind::Other;
    bool substr = false;
    std::string_view table;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const sql::Token& t = tokens[i];
        if (t.kind != sql::TokenKind::Word) continue;
        if (t.text == "SUBSTR") substr = true;
        if (t.text == "FROM" && table.empty()) {
            // FROM [schema .] table
            size_t j = i + 1;
            if (j + 2 < tokens.size() && tokens[j + 1].text == ".") j += 2;
            if (j < tokens.size()) table = tokens[j].text;
        }
    }
    return statementKindOf(table, substr);
}

std::string_view statementKindName(StatementKind kind) {
    switch (kind) {
    case StatementKind::PlexHubs: return "PlexHubs";
    case StatementKind::ThruNodes: return "ThruNodes";
    case StatementKind::Members: return "Members";
    case StatementKind::Summary: return "Summary";
    case StatementKind::Detail: return "Detail";
    case StatementKind::Other: break;
    }
    return "Other";
}

} // namespace host
