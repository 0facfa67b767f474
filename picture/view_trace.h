// What the commands read in the trace of each request: the configuration
// rows the view passed over (from the lines its discovery writes at the
// error level, and the calls of DoMxcfsysRow, one per MXCFSYS row), and,
// when the user asked for no trace, its other lines summed up instead of
// written out. What the user did ask for reaches the program's sink as the
// module wrote it; what only the command asked for never does.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/trace_control.h"

namespace picture {

// What one request's view did not see of the configuration.
struct PassedOver {
    int plexHubNodes = 0;          // PlexHub nodes without a name or a thru-node
    int agentNodes = 0;            // agent nodes without a System name or a thru-node
    int unnamedSystemRows = 0;     // MXCFSYS rows without a System name
    int systemsWithoutPlexHub = 0; // Systems whose PlexHub node has no name
    int systemsNotAsked = 0;       // Systems asked for no tasks: no thru-node known
    // MXCFSYS rows the view read, and the rows the snapshot holds; -1 when
    // not counted (nobody asked for the calls, or the view did not end
    // normally, so that a shortfall says nothing).
    int64_t systemRowsRead = -1;
    int64_t systemRowsConfigured = -1;

    // One sentence each, e.g. "1 PlexHub node passed over (no PlexHub name
    // or no thru-node): its Systems are not in this picture"; empty when the
    // view read every configured System.
    std::vector<std::string> statements() const;
    bool everySystemRead() const { return statements().empty(); }
    // Whether the view was seen to read no MXCFSYS row at all.
    bool nothingRead() const { return systemRowsRead == 0; }
};

// A request's lines, summed up: the first (the reason, when the view gave
// up) and how many followed it.
struct TraceSummary {
    std::string first; // "routine: text"; empty when the request wrote no line
    int64_t others = 0;
};

struct RequestTrace {
    PassedOver passedOver;
    TraceSummary summary;
};

// Sets the module's trace settings: the user's, with what the commands read
// added. `summarise`: the user's lines go nowhere but into the summary (no
// trace was asked for, nor a file for it). Until it is called, requests
// only hand their trace on.
void useTraceSettings(const platform::TraceSettings& user, bool summarise);
// Sets `settings` as they are; requests hand their trace on unread again.
void stopReadingTrace(const platform::TraceSettings& settings);
// Whether the user's settings make any routine trace.
bool userTraceIsOn();

// Reads what the module writes on the calling thread while it lives and
// hands on what the user asked for, to the thread's sink before it or the
// program's sink.
class TraceReader : public platform::TraceSink {
public:
    // `countSystemRows`: count DoMxcfsysRow's calls (which the settings
    // make it trace as events for that) into passedOver.systemRowsRead.
    explicit TraceReader(bool countSystemRows = true);
    ~TraceReader() override;
    TraceReader(const TraceReader&) = delete;
    TraceReader& operator=(const TraceReader&) = delete;

    void write(const platform::TraceRecord& record) override;
    bool takesEvents() const override { return takesEvents_; }
    RequestTrace take() { return std::move(seen_); }

private:
    void handOn(const platform::TraceRecord& record);

    platform::TraceSink* previous_;
    bool reading_ = false;
    bool summarise_ = false;
    bool counting_ = false;
    bool takesEvents_ = true;
    uint32_t userFlags_[3] = {}; // of the routines in whose lines the reader looks
    RequestTrace seen_;
};

// The MXCFSYS rows of the snapshot on `db`, or -1 when they cannot be
// counted.
int64_t configuredSystemRows(sqlite3* db);

} // namespace picture
