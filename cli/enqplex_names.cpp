#include "cli/enqplex_names.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include "cli/message_text.h"
#include "picture/resource_tasks.h"

namespace cli {

namespace {

size_t nameLength(const std::string& text, const char* stops) {
    size_t n = 0;
    while (n < text.size() && n < 8 && !std::char_traits<char>::find(stops, std::strlen(stops) + 1, text[n])) ++n;
    return n;
}

} // namespace

std::string enqplexOfColumn(const std::string& column) {
    const size_t n = nameLength(column, ". ");
    if (n == 0) return "*DEFAULT";
    if (n == 8 && column.size() > 8 && column[8] != '.' && column[8] != ' ' && column[8] != '\0') return "";
    return column.substr(0, n);
}

std::string enqplexOfPredicate(const std::string& value) { return picture::enqplexOfPredicate(value); }

bool snapshotEnqplexes(host::sql::Snapshot& snapshot, std::vector<std::string>& out, std::string& error) {
    sqlite3* db = snapshot.db();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT ENQPLEX FROM MXCFSYS ORDER BY rowid", -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* text = static_cast<const char*>(sqlite3_column_blob(statement, 0));
        const std::string column(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(statement, 0)));
        const std::string name = enqplexOfColumn(column);
        if (!name.empty() && std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
    }
    if (rc != SQLITE_DONE) error = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

bool enqplexKnown(host::sql::Snapshot& snapshot, const std::string& value, std::string& message) {
    std::vector<std::string> names;
    std::string error;
    if (enqplexOfPredicate(value).empty() || !snapshotEnqplexes(snapshot, names, error)) return true;
    return enqplexAmong(names, value, message);
}

bool enqplexAmong(const std::vector<std::string>& names, const std::string& value, std::string& message) {
    const std::string wanted = enqplexOfPredicate(value);
    if (wanted.empty() || std::find(names.begin(), names.end(), wanted) != names.end()) return true;
    message = "the snapshot has no Enqplex " + shownName(wanted) + "; ";
    if (names.empty()) message += "it names none";
    else message += "its Enqplexes are";
    for (size_t i = 0; i < names.size(); ++i) message += (i ? ", " : " ") + shownName(names[i]);
    return false;
}

} // namespace cli
