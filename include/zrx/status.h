// The statuses that pass between the view module, the data server and the
// command, and the reasons a view can be abandoned. Shared by all three, so
// that each status has one name and each abandoning line one meaning.
#pragma once

#include <cstdint>
#include <cstring>

namespace zrx {

// Results of the module's entries (session start, request, session end).
namespace entry {
inline constexpr int32_t ok = 0;             // request: a row was handed over
inline constexpr int32_t noParmList = 60;    // the data server gave no parameter list
inline constexpr int32_t noMoreRows = 62;    // the view ended normally
inline constexpr int32_t requestFailed = 64; // storage, path or summary statement refused
inline constexpr int32_t viewAbandoned = 71; // see Abandon for why

// The statuses each entry may return; anything else is a fault.
constexpr bool startResult(int32_t s) { return s == ok || s == noParmList || s == requestFailed; }
constexpr bool requestResult(int32_t s) {
    return s == ok || s == noParmList || s == noMoreRows || s == requestFailed || s == viewAbandoned;
}
constexpr bool endResult(int32_t s) { return s == ok || s == noParmList || s == viewAbandoned; }
} // namespace entry

// Results of fetching one row of the module's own statements.
namespace fetch {
inline constexpr int32_t ok = 0;
inline constexpr int32_t endOfData = 514;
inline constexpr int32_t badColumnCount = 8; // the result does not have the expected columns
} // namespace fetch

// Results of the module's internal routines.
namespace internal {
inline constexpr int32_t ok = 0;
inline constexpr int32_t failed = 1;
} // namespace internal

// What a host operation returns when the module does not call it because
// the handle fails its check or leads nowhere.
inline constexpr int32_t handleCheckFailed = 2;

// Statuses the reference data server returns from its operations.
namespace hoststatus {
inline constexpr int32_t ok = 0;
inline constexpr int32_t badHandle = 2;     // the object is not what the handle says
inline constexpr int32_t badArgument = 3;   // a null, out-of-range or foreign argument
inline constexpr int32_t wrongState = 5;    // e.g. a fetch on a request that is not open
inline constexpr int32_t sqlRefused = 6;    // the statement cannot be planned
inline constexpr int32_t queryFailed = 7;   // the statement failed while running
inline constexpr int32_t noStorage = 9;     // the session's storage budget is spent
inline constexpr int32_t unknownItem = 10;  // an unknown request item code
inline constexpr int32_t noMoreItems = 100; // item 19: no further predicate
inline constexpr int32_t endOfData = fetch::endOfData;
} // namespace hoststatus

// Why a view was abandoned. The order is the order of precedence when a
// session wrote more than one abandoning line: the first names the cause.
enum class Abandon : int32_t {
    None = 0,
    InvalidIndices,
    ConfigProblem,
    LoopControl,
    OutputRowLimit,
    SummaryQueryNotBuilt,
    SummaryQueryFailed,
    DetailQueryFailed,
    NoStorageForRows,
    AbandonedEarlier,
    NoWorkArea,
};

// The lines the module writes when it abandons a view (or on the way to it),
// as formats handed to the trace facility.
namespace abandonline {
inline constexpr char invalidIndices[] = "Invalid Indices; Abandoning View";
inline constexpr char configProblem[] = "FigConfig Problem; Abandoning View";
inline constexpr char loopControlSummary[] = "MENTRENQ query (Report==Y) being terminated by loop control\n";
inline constexpr char loopControlDetail[] = "MENTRENQ query (Report!=Y) being terminated by loop control";
inline constexpr char outputRowLimit[] = "All available %d output rows used";
inline constexpr char summaryQueryNotBuilt[] = "setupMglblenqSQL failed, abandoning view";
inline constexpr char summaryQueryFailed[] = "fetchMglblenq failed status %d";
inline constexpr char detailQueryFailed[] = "DQSQLW problem; abandoning view.";
inline constexpr char detailQueryFailedAtEnd[] = "DQSQLW problem (NULL call); abandoning view";
inline constexpr char noStorageForRows[] = "ProcessInput() failed, abandoning view";
inline constexpr char abandonedEarlier[] = "MENTRENQ view was abandoned during collection; no rows in this session";
inline constexpr char noWorkArea[] = "Unable to locate workA work area.";
} // namespace abandonline

struct AbandonLine {
    const char* format;
    Abandon reason;
};

// The one table that ties each abandoning line to its reason: the module
// writes these formats, the trace facility recognises them.
inline constexpr AbandonLine abandonLines[] = {
    {abandonline::invalidIndices, Abandon::InvalidIndices},
    {abandonline::configProblem, Abandon::ConfigProblem},
    {abandonline::loopControlSummary, Abandon::LoopControl},
    {abandonline::loopControlDetail, Abandon::LoopControl},
    {abandonline::outputRowLimit, Abandon::OutputRowLimit},
    {abandonline::summaryQueryNotBuilt, Abandon::SummaryQueryNotBuilt},
    {abandonline::summaryQueryFailed, Abandon::SummaryQueryFailed},
    {abandonline::detailQueryFailed, Abandon::DetailQueryFailed},
    {abandonline::detailQueryFailedAtEnd, Abandon::DetailQueryFailed},
    {abandonline::noStorageForRows, Abandon::NoStorageForRows},
    {abandonline::abandonedEarlier, Abandon::AbandonedEarlier},
    {abandonline::noWorkArea, Abandon::NoWorkArea},
};

// The reason a trace format states, or None for any other line.
inline Abandon abandonReasonOf(const char* format) {
    if (!format) return Abandon::None;
    for (const AbandonLine& line : abandonLines)
        if (std::strcmp(format, line.format) == 0) return line.reason;
    return Abandon::None;
}

// Of two reasons noted in one session, the one that names the cause.
constexpr Abandon firstCause(Abandon a, Abandon b) {
    if (a == Abandon::None) return b;
    if (b == Abandon::None) return a;
    return static_cast<int32_t>(a) < static_cast<int32_t>(b) ? a : b;
}

} // namespace zrx
