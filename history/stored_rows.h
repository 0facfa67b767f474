// MENTRENQ rows as the history keeps them: the view's 17 columns, texts
// without the blanks that pad them, bytes as unsigned numbers. A row read
// back is the row that was written, padded again with blanks.
#pragma once

#include <string>
#include <string_view>

#include "history/statement.h"
#include "zrx/mentrenq_row.h"

namespace history {

// The columns, in the order bindRow and readRow use.
inline constexpr const char* rowColumnNames =
    "MAJORNAME, MINORNAME, OWNTASKCT, WAITTASKCT, MAXWAITTM, OWNINGAS, WAITINGAS, SYSNAME, SWAPPED, TYPE, "
    "ASID, WAITTIME, REPORT, ORIGINNODE, PLXNAME, ENQPLEX, TRUEOWNER";
inline constexpr int rowColumnCount = 17;

// Binds the row's columns to parameters first .. first + 16.
void bindRow(Statement& statement, int first, const zrx::MentrenqRow& row);
// The row from result columns first .. first + 16.
zrx::MentrenqRow readRow(const Statement& statement, int first);

// A field as the history keeps it: its bytes without trailing blanks.
template <size_t N>
std::string_view storedText(const char (&field)[N]) {
    size_t n = N;
    while (n > 0 && field[n - 1] == ' ') --n;
    return std::string_view(field, n);
}

// A field as people read it: without trailing blanks and NULs.
template <size_t N>
std::string shownText(const char (&field)[N]) {
    size_t n = N;
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
    return std::string(field, n);
}

// An owner row names a job in OWNINGAS; a waiter's is blank.
bool isOwnerRow(const zrx::MentrenqRow& row);
// "OWNINGAS@SYSNAME".
std::string holderOf(const zrx::MentrenqRow& row);
// Whether a row is of the resource that `summary` reports.
bool sameResourceAs(const zrx::MentrenqRow& row, const zrx::MentrenqRow& summary);

} // namespace history
