#include "sql/capture.h"

#include <sqlite3.h>

#include "sql/utc_time.h"

namespace host::sql {

namespace {

// The table's kind as sqlite_schema names it ("table", "view", ...), or ""
// when nothing is called CAPTURE.
bool captureKind(sqlite3* db, std::string& kind, std::string& error) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT type FROM sqlite_schema WHERE name = 'CAPTURE' COLLATE NOCASE", -1, &s,
                           nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    kind.clear();
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(s, 0);
        kind = text ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) {
        error = sqlite3_errmsg(db);
        return false;
    }
    return true;
}

// Runs `sql` (rowid, TAKEN_AT) and hands each row to `row`.
template <typename RowFn>
bool eachCaptureRow(sqlite3* db, RowFn row, std::string& error) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT rowid, TAKEN_AT FROM CAPTURE ORDER BY rowid", -1, &s, nullptr) != SQLITE_OK) {
        error = "reading CAPTURE: " + std::string(sqlite3_errmsg(db));
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) row(s);
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) {
        error = "reading CAPTURE: " + std::string(sqlite3_errmsg(db));
        return false;
    }
    return true;
}

// The value as a person would read it, shortened when long.
std::string shownText(sqlite3_stmt* s, int i) {
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_NULL: return "NULL";
    case SQLITE_INTEGER: return std::to_string(sqlite3_column_int64(s, i));
    case SQLITE_BLOB: return "a blob";
    default: break;
    }
    const unsigned char* t = sqlite3_column_text(s, i);
    std::string text = t ? reinterpret_cast<const char*>(t) : "";
    std::string out = "'";
    for (size_t k = 0; k < text.size() && k < 40; ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return out + (text.size() > 40 ? "...'" : "'");
}

std::optional<int64_t> timeOf(sqlite3_stmt* s, int i) {
    if (sqlite3_column_type(s, i) != SQLITE_TEXT) return std::nullopt;
    const unsigned char* t = sqlite3_column_text(s, i);
    return t ? parseUtcTime(std::string_view(reinterpret_cast<const char*>(t),
                                             static_cast<size_t>(sqlite3_column_bytes(s, i))))
             : std::nullopt;
}

} // namespace

bool checkCaptureShape(sqlite3* db, std::string& error) {
    std::string kind;
    if (!captureKind(db, kind, error)) return false;
    if (kind.empty()) return true;
    if (kind != "table") {
        error = "CAPTURE is a " + kind + ", not a table";
        return false;
    }
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM pragma_table_info('CAPTURE') WHERE name = 'TAKEN_AT' COLLATE NOCASE",
                           -1, &s, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    const int rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if (rc == SQLITE_ROW) return true;
    error = rc == SQLITE_DONE ? "column CAPTURE.TAKEN_AT is missing" : sqlite3_errmsg(db);
    return false;
}

bool captureProblems(sqlite3* db, std::vector<ValueProblem>& problems, std::string& error) {
    std::string kind;
    if (!captureKind(db, kind, error)) return false;
    if (kind != "table") return true;
    int rows = 0;
    return eachCaptureRow(
        db,
        [&](sqlite3_stmt* s) {
            const int64_t rowid = sqlite3_column_int64(s, 0);
            if (++rows == 2)
                problems.push_back({std::string(captureTable), rowid, std::string(captureColumn), shownText(s, 1),
                                    "is a second capture time; a snapshot has one"});
            if (!timeOf(s, 1))
                problems.push_back({std::string(captureTable), rowid, std::string(captureColumn), shownText(s, 1),
                                    "is not an ISO-8601 UTC time such as 2026-12-10T08:15:00Z"});
        },
        error);
}

bool readCaptureTime(sqlite3* db, std::optional<int64_t>& taken, std::string& error) {
    taken.reset();
    std::string kind;
    if (!captureKind(db, kind, error)) return false;
    if (kind != "table") return true;
    bool first = true, valid = true;
    if (!eachCaptureRow(
            db,
            [&](sqlite3_stmt* s) {
                if (!first) return;
                first = false;
                taken = timeOf(s, 1);
                valid = taken.has_value();
            },
            error))
        return false;
    if (!valid) error = "CAPTURE.TAKEN_AT is not an ISO-8601 UTC time";
    return valid;
}

} // namespace host::sql
