// SIGINT and SIGTERM asking a long-running command (record, simulate) to
// stop: they end the wait between two rounds at once, and the round under
// way is finished first.
#pragma once

#include <cstdint>

namespace cli {

// Installs the handlers; from then on the two signals only set a flag.
void catchStopSignals();
bool stopRequested();
// Waits `milliseconds`, less when a stop is asked for; false then.
bool waitUnlessStopped(int64_t milliseconds);

} // namespace cli
