#include "core/statement_kind.h"

namespace host {

StatementKind statementKindOf(std::string_view table, bool substr) {
    if (table == "ENQ_RESRC") return StatementKind::Detail;
    if (table == "MGLBLENQ") return StatementKind::Summary;
    if (table == "MXCFSYS") return StatementKind::Members;
    if (table == "INODESTS") return substr ? StatementKind::ThruNodes : StatementKind::PlexHubs;
    return StatementKind::Other;
}

StatementKind classifyStatement(const sql::Query& query) {
    return statementKindOf(query.firstTable(), query.comparesSubstrings());
}

} // namespace host
