// The MGLBLENQ summary query for one PlexHub of one Enqplex.
#pragma once

#include <cstdint>

namespace zrx {

struct workA;

// Writes the whole text at w->sqlPtr and sets the slot's column count.
// 0: done; 1: the text was not built.
int32_t setupMglblenqSQL(workA* w, int32_t enqplex, int32_t plexHub);

} // namespace zrx
