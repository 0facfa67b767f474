// The caller's index values, read once per session from the predicates.
#pragma once

#include <cstddef>

namespace zrx {

struct IdxTbl {
    char majorname[9];  // up to 8 characters and a NUL; " " when not given
    char minorname[256]; // up to 255 characters and a NUL; " " when not given
    char enqplex[9];    // 8 characters, blank-padded, then a NUL
    char idxReport;     // 'Y' when REPORT = "YES" was given, else a blank
};

static_assert(sizeof(IdxTbl) == 275);
static_assert(offsetof(IdxTbl, minorname) == 9);
static_assert(offsetof(IdxTbl, enqplex) == 265);
static_assert(offsetof(IdxTbl, idxReport) == 274);

inline constexpr int whereTextSize = 324;

} // namespace zrx
