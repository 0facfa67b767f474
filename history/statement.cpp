#include "history/statement.h"

#include <utility>

namespace history {

Statement::Statement(sqlite3* db, std::string_view sql) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) != SQLITE_OK) {
        prepareError_ = sqlite3_errmsg(db);
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement::Statement(Statement&& other) noexcept
    : statement_(std::exchange(other.statement_, nullptr)), prepareError_(std::move(other.prepareError_)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(statement_);
        statement_ = std::exchange(other.statement_, nullptr);
        prepareError_ = std::move(other.prepareError_);
    }
    return *this;
}

Statement& Statement::bind(int index, int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
    return *this;
}

Statement& Statement::bind(int index, double value) {
    sqlite3_bind_double(statement_, index, value);
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    // An empty view may have no data at all, which SQLite would take for NULL.
    sqlite3_bind_text(statement_, index, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindNull(int index) {
    sqlite3_bind_null(statement_, index);
    return *this;
}

int Statement::step() { return statement_ ? sqlite3_step(statement_) : SQLITE_MISUSE; }

bool Statement::run() {
    int rc;
    while ((rc = step()) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        prepareError_ = statement_ ? sqlite3_errmsg(sqlite3_db_handle(statement_)) : prepareError_;
    reset();
    return rc == SQLITE_DONE;
}

void Statement::reset() {
    if (!statement_) return;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int64_t Statement::integer(int column) const { return sqlite3_column_int64(statement_, column); }

double Statement::real(int column) const { return sqlite3_column_double(statement_, column); }

std::string Statement::text(int column) const {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    return bytes ? std::string(bytes, static_cast<size_t>(sqlite3_column_bytes(statement_, column))) : std::string();
}

bool Statement::isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

bool execute(sqlite3* db, const char* sql, std::string& error) {
    char* message = nullptr;
    const bool ok = sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK;
    if (!ok) error = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return ok;
}

} // namespace history
