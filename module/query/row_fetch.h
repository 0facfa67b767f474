// The pattern every row fetcher follows: find the query's slot by table
// name, fetch, check the shape of the result and copy each column into its
// field of the work area.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zrx/status.h"

namespace zrx {

struct workA;
class Trace;

// Where one column of the select list goes.
struct FetchTarget {
    void* field;
    std::size_t width;
};

// Fetches the next row of the query named `table` into `targets` (one per
// selected column, in select-list order). A null column leaves its field as
// it was; a value longer than its field is cut at the field's width. The
// lines are written with the calling fetcher's trace point `t` and name
// `routine`. Returns 0, 514 (end of data or no such slot), 8 (the SQLDA
// describes another number of columns than the slot expects) or the
// status of FetchRow. `clear`, when given, sets the fields to their values
// before a fetch once the slot has been found; a missing slot leaves them
// as they were.
int32_t fetchRowInto(workA* w, Trace& t, const char* routine, const char* table,
                     const FetchTarget* targets, int count, void (*clear)(workA*) = nullptr);

} // namespace zrx
