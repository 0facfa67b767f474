#include "serve/configuration.h"

#include <sqlite3.h>

#include <algorithm>

#include "cli/enqplex_names.h"
#include "sql/fixed_width.h"

namespace serve {

namespace {

std::string columnText(sqlite3_stmt* statement, int column) {
    const auto* text = static_cast<const char*>(sqlite3_column_blob(statement, column));
    return std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

std::string trimmed(sqlite3_stmt* statement, int column) {
    return host::sql::trimmedField(columnText(statement, column).c_str(),
                                   static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

} // namespace

bool readConfiguration(host::sql::Snapshot& snapshot, Configuration& out, std::string& error) {
    sqlite3* db = snapshot.db();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT ENQPLEX, SYS_NAME, ORIGINNODE, STATUS FROM MXCFSYS ORDER BY rowid", -1,
                           &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const std::string enqplex = cli::enqplexOfColumn(columnText(statement, 0));
        if (enqplex.empty()) continue;
        auto e = std::find_if(out.enqplexes.begin(), out.enqplexes.end(),
                              [&](const ConfiguredEnqplex& c) { return c.name == enqplex; });
        if (e == out.enqplexes.end()) e = out.enqplexes.insert(out.enqplexes.end(), {enqplex, {}});
        ConfiguredSystem system;
        system.name = trimmed(statement, 1);
        const std::string origin = trimmed(statement, 2);
        system.sysplex = origin.substr(0, origin.find(':'));
        system.status = trimmed(statement, 3);
        if (system.name.empty()) continue;
        const bool known = std::any_of(e->systems.begin(), e->systems.end(),
                                       [&](const ConfiguredSystem& s) { return s.name == system.name; });
        if (!known) e->systems.push_back(std::move(system));
    }
    if (rc != SQLITE_DONE) error = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

} // namespace serve
