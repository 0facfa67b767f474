// The four measurements of one enterprise and query: the whole query through
// the host, the host's own share (its SQL alone), the module's own share (the
// same rows served from memory) and the GROUP BY a user would write instead.
#pragma once

#include <string>

#include "enterprises.h"

namespace bench {

enum class Share { EndToEnd, Host, Module, GroupBy };
const char* shareName(Share share);

// The one SQLite query over the snapshot that computes the report's counts
// per Enqplex and resource: owners, waiters and the longest wait.
extern const char* const groupByQuery;

// Runs one measurement once.
void runShare(Share share, Enterprise& e, QueryKind kind);

// Registers every measurement of every case; each enterprise is loaded when
// its first measurement runs.
void registerBenchmarks();

} // namespace bench
