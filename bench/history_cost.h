// What keeping the view's results over time costs: one sample written at the
// view's 10000-row limit, one whole sample of a large enterprise (view and
// history), the history's growth per sample, and reading episodes from
// histories of 1000 and 10000 samples.
#pragma once

namespace bench {

void registerHistoryBenchmarks();

} // namespace bench
