#include <sqlite3.h>

#include <algorithm>
#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/mentrenq_table.h"

namespace cli {

namespace {

// Prints one statement's result as an aligned table; false on an SQL error.
bool runStatement(sqlite3* db, sqlite3_stmt* statement) {
    const int n = sqlite3_column_count(statement);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (int c = 0; c < n; ++c) header.push_back(sqlite3_column_name(statement, c));
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < n; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            std::string cell = text ? text : "NULL";
            for (char& ch : cell)
                if (static_cast<unsigned char>(ch) < 0x20) ch = '.';
            row.push_back(std::move(cell));
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        reportError(std::string("SQL error: ") + sqlite3_errmsg(db));
        return false;
    }
    if (n == 0) return true;
    std::vector<size_t> width(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) width[c] = header[c].size();
    for (const auto& row : rows)
        for (int c = 0; c < n; ++c) width[c] = std::max(width[c], row[c].size());
    auto emit = [&](const std::vector<std::string>& line) {
        std::string text;
        for (int c = 0; c < n; ++c) {
            text += line[c] + std::string(width[c] - line[c].size(), ' ');
            if (c + 1 < n) text += "  ";
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        std::cout << text << '\n';
    };
    emit(header);
    std::vector<std::string> rule;
    for (int c = 0; c < n; ++c) rule.push_back(std::string(width[c], '-'));
    emit(rule);
    for (const auto& row : rows) emit(row);
    return true;
}

} // namespace

int sqlCommand(int argc, char** argv) {
    Arguments args;
    std::string error;
    if (!parseArguments(argc, argv, 2, enterpriseOptions, args, error) || args.positionals.size() != 1) {
        reportError(error.empty() ? "give exactly one SQL text" : error);
        std::cerr << usage("sql");
        return exitcode::usage;
    }
    CommandContext context;
    if (!context.open(args)) return exitcode::usage;
    ViewRunner runner(context.snapshot(), context.module());
    sqlite3* db = context.snapshot().db();
    if (!registerMentrenqTable(db, runner)) {
        reportError(std::string("cannot register MENTRENQ: ") + sqlite3_errmsg(db));
        return exitcode::viewStatus;
    }
    const std::string& text = args.positionals.front();
    const char* at = text.c_str();
    const char* end = at + text.size();
    while (at < end) {
        sqlite3_stmt* statement = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, at, static_cast<int>(end - at), &statement, &tail) != SQLITE_OK) {
            reportError(std::string("SQL error: ") + sqlite3_errmsg(db));
            return exitcode::viewStatus;
        }
        at = tail;
        if (!statement) continue; // blanks or a comment
        const bool ok = runStatement(db, statement);
        sqlite3_finalize(statement);
        if (!ok) return exitcode::viewStatus;
    }
    return exitcode::ok;
}

} // namespace cli
