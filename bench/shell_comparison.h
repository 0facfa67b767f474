// The yardsticks a user would apply: `mentrenq query --report` as a process
// against the sqlite3 shell running the statements the host received for the
// same query, written out as plain SQLite text with their literals in it;
// and `mentrenq tree`, the whole picture, against that report. All run as
// processes on the same snapshot file, alternately, several times; the
// medians of their wall-clock times are compared.
#pragma once

#include <string>

namespace bench {

struct ShellComparisonOptions {
    int repetitions = 11;
    std::string workDir;  // where the snapshots and scripts go; a fresh temporary folder when empty
    bool keepFiles = false; // leave them there for a profiler or a person
};

// Prints, per enterprise shape, one line per program and the ratios of the
// medians. Throws
// when a program fails or a shape does not end its report normally.
void runShellComparison(const ShellComparisonOptions& options);

} // namespace bench
