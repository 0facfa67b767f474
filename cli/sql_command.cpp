#include <sqlite3.h>

#include <iostream>
#include <memory>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/mentrenq_table.h"
#include "cli/sql_guard.h"
#include "cli/sql_results.h"
#include "cli/sql_text.h"
#include "cli/standard_output.h"

namespace cli {

namespace {

using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

// Every statement of the text, prepared before any runs, so that a refused
// or mistyped one stops the command before anything happened. 2 for a
// refused statement, a statement SQLite cannot read (syntax, unknown table
// or column) or a text without statements; 3 when SQLite fails otherwise
// (no memory, a snapshot it cannot read); 0 otherwise.
int prepareAll(sqlite3* db, const SqlText& sql, ReadOnlyGuard& guard, std::vector<Statement>& out) {
    const char* at = sql.text.c_str();
    const char* end = at + sql.text.size();
    while (at < end) {
        sqlite3_stmt* prepared = nullptr;
        const char* tail = nullptr;
        guard.clear();
        const int rc = sqlite3_prepare_v2(db, at, static_cast<int>(end - at), &prepared, &tail);
        Statement statement(prepared, &sqlite3_finalize);
        if (guard.refused() || (statement && !ReadOnlyGuard::reads(statement.get()))) {
            reportError("sql only reads; refused: " + statementHead(at));
            return exitcode::usage;
        }
        if (rc != SQLITE_OK) {
            reportError(std::string("SQL error: ") + sqlite3_errmsg(db));
            return rc == SQLITE_ERROR ? exitcode::usage : exitcode::viewStatus;
        }
        // SQLite stops at a NUL byte, which the text cannot hold; a tail
        // that does not move on would read the same place forever.
        if (!tail || tail <= at || tail > end) {
            reportError(sql.source + ": the SQL text cannot be read beyond byte " +
                        std::to_string(at - sql.text.c_str()));
            return exitcode::usage;
        }
        at = tail;
        if (statement) out.push_back(std::move(statement)); // null for blanks or a comment
    }
    if (out.empty()) {
        reportError(sql.source + " holds no SQL statement");
        return exitcode::usage;
    }
    return exitcode::ok;
}

} // namespace

int sqlCommand(const Arguments& args) {
    RowFormat format = RowFormat::Table;
    parseRowFormat(args.value("--format", "table"), format);
    SqlText sql;
    std::string error;
    if (!readSqlText(args, sql, error)) {
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
    std::string schemaError;
    for (const auto& table : tablesNamedLikeTheView(db, schemaError))
        reportError("warning: the snapshot's own " + table + " is read as main." + table.substr(table.find(' ') + 1) +
                    "; MENTRENQ is the view");
    ReadOnlyGuard guard(db);
    std::vector<Statement> statements;
    if (int status = prepareAll(db, sql, guard, statements); status != exitcode::ok) return context.finish(status);
    // CSV and JSON hold one table: several results would not make one document.
    if (format != RowFormat::Table && statements.size() > 1) {
        reportError("--format " + args.value("--format") + " writes the result of one statement; " + sql.source +
                    " holds " + std::to_string(statements.size()));
        return context.finish(exitcode::usage);
    }
    // No value SQLite makes may outgrow what a table holds.
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, static_cast<int>(maxTableBytes));
    for (const auto& statement : statements) {
        const StatementEnd end = writeStatementResult(std::cout, format, db, statement.get(), error);
        flushStandardOutput();
        if (end == StatementEnd::Failed) {
            context.reportTraceLines(runner.firstLines());
            reportError("SQL error: " + error);
        }
        // finishStandardOutput says why standard output failed.
        if (end != StatementEnd::Done) return context.finish(exitcode::viewStatus);
    }
    // Whatever the statements read of MENTRENQ came from these requests.
    context.reportTraceLines(runner.firstLines());
    reportPassedOver(runner.passedOver());
    return context.finish(exitcode::ok);
}

} // namespace cli
