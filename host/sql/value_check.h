// Values a snapshot holds that its columns' declared types cannot deliver.
//
// SQLite keeps whatever a producer stored, so an INT2 column may hold 70000
// or a word, and a CHAR(32) column a name of 40 characters. Delivered as
// they are, such values would wrap (70000 reads as 4464) or reach the view
// module as values no data server could send. The check finds them before a
// query runs. Ranges, by how the view module reads each kind:
//   INT1  -128..255: one byte; flag bytes are written unsigned (0x80) and
//         codes as small numbers, and either reading gives the same byte;
//   INT2  0..65535: the only INT2 column, ASID, is read as an unsigned
//         halfword, so a negative value would be shown as another ASID;
//   INT4  -2147483648..2147483647: every INT4 column is read as a signed
//         word (wait times, counts, resource ids, task states);
//   CHAR(n) text or bytes of at most n bytes.
// NULL is refused only where the schema declares NOT NULL. The optional
// CAPTURE holds at most one row, its TAKEN_AT an ISO-8601 UTC time as text
// (capture.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace host::sql {

struct ValueProblem {
    std::string table;
    int64_t rowid = 0;
    std::string column;
    std::string value; // as a person would write it, shortened when long
    std::string why;

    // "MGLBLENQ row 7, column ASID: 70000 is outside the INT2 range 0..65535"
    std::string line() const;
};

// Runs one query per table of the catalog (every table of the schema), and
// one on CAPTURE where the snapshot has it.
// With `perTable` > 0, stops each table after that many rows with problems
// (every problem of those rows is listed). False, with SQLite's message,
// when a query fails.
bool checkValues(sqlite3* db, std::size_t perTable, std::vector<ValueProblem>& problems, std::string& error);

} // namespace host::sql
