#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/aligned_table.h"
#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/mentrenq_table.h"
#include "cli/sql_guard.h"

namespace cli {

namespace {

// Prints one statement's result as an aligned table; false on an SQL error.
bool runStatement(sqlite3* db, sqlite3_stmt* statement) {
    const int n = sqlite3_column_count(statement);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (int c = 0; c < n; ++c) {
        // SQLite gives no name only when it runs out of memory.
        const char* name = sqlite3_column_name(statement, c);
        if (!name) {
            reportError("SQL error: out of memory");
            return false;
        }
        header.push_back(name);
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < n; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            row.push_back(text ? text : "NULL");
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        reportError(std::string("SQL error: ") + sqlite3_errmsg(db));
        return false;
    }
    writeAlignedTable(std::cout, header, rows);
    return true;
}

// The SQL text: the argument, or standard input for "-", or --file.
bool readSql(const Arguments& args, std::string& text, std::string& error) {
    const bool fromFile = args.has("--file");
    if (fromFile == !args.positionals.empty()) {
        error = fromFile ? "give the SQL text or --file FILE, not both" : "give the SQL text, - or --file FILE";
        return false;
    }
    const std::string source = fromFile ? args.value("--file") : args.positionals.front();
    if (!fromFile && source != "-") {
        text = source;
        return true;
    }
    std::ifstream file;
    if (source != "-") {
        file.open(source, std::ios::binary);
        if (!file) {
            error = "cannot read " + source + ": " + std::strerror(errno);
            return false;
        }
    }
    std::istream& in = source == "-" ? std::cin : file;
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + (source == "-" ? std::string("standard input") : source);
        return false;
    }
    text = all.str();
    return true;
}

using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

// Every statement of the text, prepared before any runs, so that a refused
// one stops the command before anything happened. 2 for a refused
// statement, 3 for an SQL error, 0 otherwise.
int prepareAll(sqlite3* db, const std::string& text, ReadOnlyGuard& guard, std::vector<Statement>& out) {
    const char* at = text.c_str();
    const char* end = at + text.size();
    while (at < end) {
        sqlite3_stmt* prepared = nullptr;
        const char* tail = nullptr;
        guard.clear();
        const int rc = sqlite3_prepare_v2(db, at, static_cast<int>(end - at), &prepared, &tail);
        Statement statement(prepared, &sqlite3_finalize);
        if (guard.refused() || (statement && !ReadOnlyGuard::reads(statement.get()))) {
            reportError("sql only reads; refused: " + printableText(statementHead(at)));
            return exitcode::usage;
        }
        if (rc != SQLITE_OK) {
            reportError(std::string("SQL error: ") + sqlite3_errmsg(db));
            return exitcode::viewStatus;
        }
        at = tail;
        if (statement) out.push_back(std::move(statement)); // null for blanks or a comment
    }
    return exitcode::ok;
}

} // namespace

int sqlCommand(const Arguments& args) {
    std::string text, error;
    if (!readSql(args, text, error)) {
        reportError(error);
        return exitcode::usage;
    }
    CommandContext context;
    if (!context.open(args)) return context.openFailure();
    ViewRunner runner(context.snapshot(), context.module(), context.storageLimit());
    sqlite3* db = context.snapshot().db();
    if (!registerMentrenqTable(db, runner)) {
        reportError(std::string("cannot register MENTRENQ: ") + sqlite3_errmsg(db));
        return context.finish(exitcode::viewStatus);
    }
    ReadOnlyGuard guard(db);
    std::vector<Statement> statements;
    if (int status = prepareAll(db, text, guard, statements); status != exitcode::ok) return context.finish(status);
    for (const auto& statement : statements)
        if (!runStatement(db, statement.get())) return context.finish(exitcode::viewStatus);
    return context.finish(exitcode::ok);
}

} // namespace cli
