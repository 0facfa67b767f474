// Creating and updating summary and detail rows, and their trace dumps.
#pragma once

#include <cstdint>

#include "records/output_rows.h"

namespace zrx {

struct workA;

// A new row built from the input row, in host view storage, or null when the
// 10000-row limit is reached or storage is refused.
SORow* newSORow(workA* w);
DORow* newDORow(workA* w);

// Folds the input row, just added as a detail row, into the summary row.
void updateSORow(SORow* r, workA* w);

void logSOR(SORow* r, workA* w);
void logDOR(DORow* r, workA* w);

// The one test that tells owners from waiters.
inline bool isOwner(const char* owningas) { return owningas[0] != ' '; }

inline constexpr int32_t SORowSize = static_cast<int32_t>(sizeof(SORow));
inline constexpr int32_t DORowSize = static_cast<int32_t>(sizeof(DORow));

} // namespace zrx
