// The program's side of the trace facility: which routines trace at which
// levels, and where the lines go.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "zrx/status.h"

namespace platform {

enum class TraceKind { Entry, ExitResult, Exit, Line };

struct TraceRecord {
    std::string routine;
    int32_t line = 0;
    TraceKind kind = TraceKind::Line;
    int32_t result = 0;  // ExitResult only
    std::string text;    // Line only: the formatted text, exactly as written
    zrx::Abandon reason = zrx::Abandon::None; // Line only: what an abandoning line states
};

class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void write(const TraceRecord& record) = 0;
    // False when the sink would drop every routine entry and exit: the
    // facility then does not make them.
    virtual bool takesEvents() const { return true; }
};

// Trace flags per routine: a default for every routine and overrides by
// routine name. Flag bits are those of zrx::traceflag.
struct TraceSettings {
    uint32_t defaultFlags = 0;
    std::map<std::string, uint32_t, std::less<>> routines;

    uint32_t flagsFor(std::string_view routine) const;

    // Parses items separated by blanks or ';'. An item is LEVELS for every
    // routine or ROUTINE:LEVELS for one; LEVELS is a ','-separated list of
    // events, error, detail, all, none. Returns false with a message on a
    // bad item.
    static bool parse(std::string_view text, TraceSettings& out, std::string& error);
};

// Replaces the settings; routines pick them up at their next call.
void setTraceSettings(const TraceSettings& settings);
// The settings in force (a module host hands them to its module's process).
TraceSettings traceSettings();

// The sink receives every event and line; null discards them.
void setTraceSink(TraceSink* sink);

// While set, the events and lines written on the calling thread go to this
// sink instead (null: to the program's sink again). A program that runs
// sessions on several threads collects each session's lines this way and
// hands them on in the order its sessions would have run one by one.
void setThreadTraceSink(TraceSink* sink);
// The sink set on the calling thread; null when its lines go to the
// program's sink.
TraceSink* threadTraceSink();
// Hands a line to the program's sink, as if the module had just written it.
void writeTrace(const TraceRecord& record);
// Whether the settings can make any routine trace.
bool traceIsOn();
// Hands a record written elsewhere (by a module running in another process)
// to the sink, as if the module here had written it: to this thread's sink
// when one is set.
void deliverTraceRecord(const TraceRecord& record);

// The facility's sync counter, raised by every settings change.
uint32_t traceSyncCounter();

// Number of TRX5_Sync calls since the program started.
uint64_t traceSyncCalls();

// The cause among the abandoning lines written on this thread since the
// last call, then forgets it: the data server asks after each call of the
// module, so each session learns why its own view was abandoned.
zrx::Abandon takeAbandonReason();

} // namespace platform
