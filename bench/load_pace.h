// Report sessions back to back on the load test's enterprise (the largest
// the view can register): the time per session, and whether the last
// sessions are slower than the first.
#pragma once

namespace bench {

void registerLoadPaceBenchmark();

} // namespace bench
