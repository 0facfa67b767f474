#include "core/statement_kind.h"

#include <vector>

#include "sql/tokenizer.h"

namespace host {

namespace {

StatementKind kindOf(std::string_view table, bool substr) {
    if (table == "ENQ_RESRC") return StatementKind::Detail;
    if (table == "MGLBLENQ") return StatementKind::Summary;
    if (table == "MXCFSYS") return StatementKind::Members;
    if (table == "INODESTS") return substr ? StatementKind::ThruNodes : StatementKind::PlexHubs;
    return StatementKind::Other;
}

} // namespace

StatementKind classifyStatement(const sql::Query& query) {
    return kindOf(query.firstTable(), query.comparesSubstrings());
}

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
    return kindOf(table, substr);
}

} // namespace host
