// End-to-end runs: ZRX.so loaded by the host as a user's query loads it, on
// an enterprise snapshot, with the whole outcome rendered to text in one
// place and compared with a file that was checked by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "testing/fault_plan.h"
#include "core/host.h"
#include "core/session.h"
#include "platform/trace_control.h"
#include "support/host_fixture.h"

namespace e2e {

// The trace levels of an end-to-end run: error and detail lines of every
// routine, without entry and exit events.
inline constexpr char detailLevels[] = "error,detail";

struct Outcome {
    zrxtest::QueryRun run;
    std::vector<std::string> statements; // every SQL text the host was asked to plan
    std::vector<platform::TraceRecord> trace;
};

struct RunOptions {
    std::string levels = detailLevels;
    int maxCalls = 10000;
    // Request calls made after the first nonzero status, as a host that
    // goes on calling would.
    int extraCalls = 0;
    std::function<void(host::Host&)> prepare; // e.g. arms faults
};

// The INSERTs of tests/e2e/scenarios/<name>.sql.
std::string scenario(std::string_view name);

// One whole query of ZRX.so on the snapshot `sql`: start, request calls
// until a nonzero status (or maxCalls), the extra calls, end. When the
// environment names another module file (zrxtest::moduleUnderTest), the
// query runs on that one, runs again on ZRX.so, and the two outcomes must
// agree (expectSameOutcome).
Outcome runQuery(const std::string& sql, std::vector<host::Predicate> predicates,
                 const RunOptions& options = {});

// Byte for byte: statuses, every row, what was left open, every SQL text,
// and every trace record (routine, line, kind, result, text with addresses
// masked).
void expectSameOutcome(const Outcome& reference, const Outcome& o);

size_t countStatements(const Outcome& o, host::StatementKind kind);

// Addresses are the only values that change from run to run. The module
// prints them with "%8X" after "at ", "NASOR is ", "NADOR is ", "SOR1st:",
// "DOR1st:", "SORNxt:" and "DORNxt:", and with "%p" ("0x...") after "at ".
// There the 8-character field of a nonzero address, blank padding
// included, or the "%p" value becomes "<addr>"; a null address stays as
// printed ("       0"). The handle dumps of the request layer ("pathHdl",
// "planHdl", "reqhdl", "cursorLst"), which hold object addresses, become
// "<handle>".
std::string maskAddresses(std::string_view text);

// "routine: text|" with addresses masked and "\n" written as \n.
std::vector<std::string> traceLines(const Outcome& o,
                                    const std::vector<std::string>& routines = {});

std::string renderRow(const zrx::MentrenqRow& r);

// The whole outcome: statuses, rows (all 17 columns, characters trimmed,
// numbers in decimal), objects left at session end, the host queries by
// kind and in full, and the masked trace. Trace lines and query texts end
// with "|" so that trailing blanks show. With `routines`, only the trace
// lines of those routines.
std::string render(const Outcome& o, const std::vector<std::string>& routines = {});

// The routines of the request entry and the row composition, and the
// detail batching that phase II drives.
extern const std::vector<std::string> driverRoutines;

// The short form for large runs: statuses as runs of equal values, the
// number of rows with the first and last `edgeRows`, the query counts by
// kind, and the trace lines of the routines named.
std::string renderShort(const Outcome& o, size_t edgeRows, const std::vector<std::string>& routines);

// Compares `actual` with tests/e2e/expected/<name>.txt. On a difference the
// failure shows the unified diff of the whole file, and `actual` is written
// to <name>.txt in $ZRX_E2E_ACTUAL_DIR (else e2e-actual/ in the working
// folder), from where
// `make regenerate-golden` takes it over.
void expectMatchesFile(std::string_view name, const std::string& actual);

} // namespace e2e
