// The MENTRENQ output row: the next-row position, its composition and dump.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;

// Moves the position to the next summary row that exists, or to the end.
void SORstep(workA* w);

// Composes the output row from the position; always 0.
int32_t setupMentrenq(workA* w);

void logRowMENTRENQ(workA* w);

} // namespace zrx
