// The caller's index predicates: read once per session, checked, kept in
// idxTbl, and turned into the WHERE clause of the summary query.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;

// 0: valid predicates (report, or one resource in one Enqplex); 1: invalid.
int32_t setupIndices(workA* w);

// A value counts as given when its first character is not a blank.
inline bool given(const char* value) { return value[0] != ' '; }

} // namespace zrx
