// The sql command only reads. An SQLite authorizer refuses every statement
// that would change a database or the connection's set of databases (INSERT,
// UPDATE, DELETE, CREATE, DROP, ALTER, ATTACH, DETACH, ...) and every PRAGMA
// but a few that only describe the schema; statements that SQLite itself
// counts as writing without asking the authorizer (VACUUM, VACUUM INTO) are
// refused too. Reads of the snapshot and of MENTRENQ pass.
#pragma once

#include <sqlite3.h>

#include <string>

namespace cli {

class ReadOnlyGuard {
public:
    // Installs the authorizer on `db` for the guard's lifetime. Virtual
    // tables must be connected before: connecting declares their schema,
    // which the guard would refuse.
    explicit ReadOnlyGuard(sqlite3* db);
    ~ReadOnlyGuard();
    ReadOnlyGuard(const ReadOnlyGuard&) = delete;
    ReadOnlyGuard& operator=(const ReadOnlyGuard&) = delete;

    // Whether the authorizer refused anything since the last clear().
    bool refused() const { return refused_; }
    void clear() { refused_ = false; }

    // Whether a prepared statement only reads.
    static bool reads(sqlite3_stmt* statement) { return sqlite3_stmt_readonly(statement) != 0; }

private:
    static int authorize(void* self, int action, const char* a, const char* b, const char* database,
                         const char* trigger);
    sqlite3* db_;
    bool refused_ = false;
};

// The start of the statement at `text`, after blanks and comments, up to
// its end or 60 characters, for messages.
std::string statementHead(const char* text);

} // namespace cli
