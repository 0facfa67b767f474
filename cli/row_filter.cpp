#include "cli/row_filter.h"

#include <sqlite3.h>

#include <memory>

#include "cli/columns.h"
#include "cli/predicates.h"

namespace cli {

namespace {

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct Finalize {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

Db openMemory(std::string& error) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        error = "SQLite: " + std::string(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    return Db(db);
}

Statement prepare(sqlite3* db, const std::string& sql, std::string& error) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        error = "SQLite: " + std::string(sqlite3_errmsg(db));
        return nullptr;
    }
    return Statement(s);
}

void bindText(sqlite3_stmt* s, int at, const std::string& text) {
    sqlite3_bind_text(s, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Whether SQLite's numeric affinity turns `value` into a number, as it
// does for the value of a comparison with an INTEGER column.
bool readsAsNumber(sqlite3* db, const std::string& value) {
    std::string ignored;
    if (sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS probe(n INTEGER); DELETE FROM probe", nullptr, nullptr,
                     nullptr) != SQLITE_OK)
        return false;
    Statement add = prepare(db, "INSERT INTO probe VALUES(?1)", ignored);
    Statement type = prepare(db, "SELECT typeof(n) FROM probe", ignored);
    if (!add || !type) return false;
    bindText(add.get(), 1, value);
    if (sqlite3_step(add.get()) != SQLITE_DONE || sqlite3_step(type.get()) != SQLITE_ROW) return false;
    const auto* kind = reinterpret_cast<const char*>(sqlite3_column_text(type.get(), 0));
    return kind && std::string(kind) != "text";
}

} // namespace

bool checkConditions(const std::vector<host::Predicate>& conditions, std::string& error) {
    Db db;
    for (const auto& c : conditions) {
        const auto column = findColumn(c.column);
        if (!column) {
            error = "no column " + c.column + " in MENTRENQ";
            return false;
        }
        if (!sqlOperator(c.op)) {
            error = c.column + ": operator code " + std::to_string(static_cast<int>(c.op)) + " is no comparison";
            return false;
        }
        if (!isNumericColumn(*column)) continue;
        if (!db && !(db = openMemory(error))) return false;
        if (!readsAsNumber(db.get(), c.value)) {
            error = c.column + " holds numbers; \"" + c.value + "\" is not one";
            return false;
        }
    }
    return true;
}

bool keepRowsMeeting(std::vector<zrx::MentrenqRow>& rows, const std::vector<host::Predicate>& conditions,
                     std::string& error) {
    if (conditions.empty() || rows.empty()) return true;
    if (!checkConditions(conditions, error)) return false;
    Db db = openMemory(error);
    if (!db) return false;
    char* message = nullptr;
    if (sqlite3_exec(db.get(), tableDeclaration("MENTRENQ").c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = "SQLite: " + std::string(message ? message : "cannot declare the table");
        sqlite3_free(message);
        return false;
    }

    std::string insert = "INSERT INTO MENTRENQ VALUES(";
    for (size_t i = 0; i < columns.size(); ++i) insert += i ? ",?" : "?";
    Statement add = prepare(db.get(), insert + ")", error);
    if (!add) return false;
    sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
    for (const auto& row : rows) {
        sqlite3_reset(add.get());
        for (size_t i = 0; i < columns.size(); ++i) {
            const ColumnValue v = columns[i].read(row);
            const int at = static_cast<int>(i) + 1;
            if (v.numeric) sqlite3_bind_int64(add.get(), at, v.number);
            else bindText(add.get(), at, v.text);
        }
        if (sqlite3_step(add.get()) != SQLITE_DONE) {
            error = "SQLite: " + std::string(sqlite3_errmsg(db.get()));
            return false;
        }
    }
    sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);

    // The rows were inserted in order: rowid N is rows[N - 1].
    std::string select = "SELECT rowid FROM MENTRENQ WHERE";
    for (size_t i = 0; i < conditions.size(); ++i)
        select += std::string(i ? " AND " : " ") + "\"" + viewColumnName(*findColumn(conditions[i].column)) + "\" " +
                  sqlOperator(conditions[i].op) + " ?" + std::to_string(i + 1);
    Statement keep = prepare(db.get(), select + " ORDER BY rowid", error);
    if (!keep) return false;
    for (size_t i = 0; i < conditions.size(); ++i) bindText(keep.get(), static_cast<int>(i) + 1, conditions[i].value);
    std::vector<zrx::MentrenqRow> kept;
    int rc;
    while ((rc = sqlite3_step(keep.get())) == SQLITE_ROW) {
        const sqlite3_int64 id = sqlite3_column_int64(keep.get(), 0);
        if (id >= 1 && static_cast<size_t>(id) <= rows.size()) kept.push_back(rows[static_cast<size_t>(id) - 1]);
    }
    if (rc != SQLITE_DONE) {
        error = "SQLite: " + std::string(sqlite3_errmsg(db.get()));
        return false;
    }
    rows = std::move(kept);
    return true;
}

} // namespace cli
