// The reading of a request's trace: what it counts as passed over, what it
// keeps from the user who did not ask for it, and what it sums up.
#include <gtest/gtest.h>

#include "picture/trace_relay.h"
#include "picture/view_trace.h"
#include "zrx/platform.h"

namespace {

using platform::TraceKind;
using platform::TraceRecord;

TraceRecord line(const char* routine, const std::string& text) {
    TraceRecord r;
    r.routine = routine;
    r.kind = TraceKind::Line;
    r.text = text;
    return r;
}

TraceRecord entry(const char* routine) {
    TraceRecord r;
    r.routine = routine;
    r.kind = TraceKind::Entry;
    return r;
}

const std::string hubLine = "PlexHub node \"" + std::string(32, ' ') + "\" passed over: no PlexHub name or no thru-node";
const std::string skipLine = "                                 No ThruNode info - skipping this System";

class ViewTrace : public ::testing::Test {
protected:
    void TearDown() override { picture::stopReadingTrace({}); }

    // Writes `records` through a reader, as the module would on this
    // thread; what reaches the sink before it lands in `handedOn`.
    picture::RequestTrace read(const std::vector<TraceRecord>& records, bool countSystemRows = true) {
        picture::TraceRelay::Capture before;
        picture::RequestTrace seen;
        {
            picture::TraceReader reader(countSystemRows);
            for (const auto& r : records) reader.write(r);
            seen = reader.take();
        }
        handedOn = before.take();
        return seen;
    }
    std::vector<TraceRecord> handedOn;
};

TEST_F(ViewTrace, WhatOnlyTheCommandAskedForIsCountedAndKeptFromTheUser) {
    picture::useTraceSettings({}, false);
    const auto seen = read({entry("DoMxcfsysRow"), line("FigConfig", hubLine), entry("DoMxcfsysRow"),
                            line("enqmlcpr", skipLine), line("DoMxcfsysRow", "Configuration Error: System A occurs"),
                            line("logEnqplxs", "----")});
    EXPECT_EQ(seen.passedOver.plexHubNodes, 1);
    EXPECT_EQ(seen.passedOver.systemsNotAsked, 1);
    EXPECT_EQ(seen.passedOver.systemRowsRead, 2);
    ASSERT_EQ(handedOn.size(), 2u) << "the lines written whatever the levels";
    EXPECT_EQ(handedOn[0].text, "Configuration Error: System A occurs");
    EXPECT_EQ(seen.summary.first, "DoMxcfsysRow: Configuration Error: System A occurs");
    EXPECT_EQ(seen.summary.others, 1);
}

TEST_F(ViewTrace, WhatTheUserAskedForStillArrivesAndSummingUpWritesNothing) {
    platform::TraceSettings user;
    user.routines["FigConfig"] = zrx::traceflag::Error;
    user.routines["DoMxcfsysRow"] = zrx::traceflag::Events;
    picture::useTraceSettings(user, false);
    read({entry("DoMxcfsysRow"), line("FigConfig", hubLine), line("enqmlcpr", skipLine)});
    ASSERT_EQ(handedOn.size(), 2u);
    EXPECT_EQ(handedOn[0].kind, TraceKind::Entry);
    EXPECT_EQ(handedOn[1].text, hubLine);

    picture::useTraceSettings({}, true);
    const auto summed = read({line("FigConfig", hubLine), line("DoMxcfsysRow", "reason"), line("logEnqplxs", "a"),
                              line("logEnqplxs", "b")});
    EXPECT_TRUE(handedOn.empty());
    EXPECT_EQ(summed.summary.first, "DoMxcfsysRow: reason");
    EXPECT_EQ(summed.summary.others, 2);
    EXPECT_EQ(summed.passedOver.plexHubNodes, 1);

    // Unread, a request hands on everything and counts no rows.
    picture::stopReadingTrace({});
    const auto unread = read({entry("DoMxcfsysRow"), line("enqmlcpr", skipLine)});
    EXPECT_EQ(handedOn.size(), 2u);
    EXPECT_EQ(unread.passedOver.systemRowsRead, -1);
}

TEST_F(ViewTrace, ARequestThatCountsNoRowsIsSparedTheEventsNobodyReads) {
    picture::useTraceSettings({}, false);
    {
        picture::TraceReader counting(true);
        EXPECT_TRUE(counting.takesEvents());
        picture::TraceReader notCounting(false);
        EXPECT_FALSE(notCounting.takesEvents());

        // The facility makes no entry for such a sink; its lines still come.
        zrx::TracePoint point{};
        point.name = "DoMxcfsysRow";
        point.nameLength = 12;
        picture::TraceRelay::Capture sink;
        struct NoEvents : platform::TraceSink {
            platform::TraceSink* to;
            void write(const TraceRecord& r) override { to->write(r); }
            bool takesEvents() const override { return false; }
        } noEvents;
        noEvents.to = &sink;
        platform::setThreadTraceSink(&noEvents);
        TRX5_Event(&point, 1, zrx::eventkind::Entry);
        TRX5_Printf(&point, 2, "%s", "a line");
        platform::setThreadTraceSink(nullptr);
        const auto arrived = sink.take();
        ASSERT_EQ(arrived.size(), 1u);
        EXPECT_EQ(arrived[0].text, "a line");
    }
    const auto seen = read({line("enqmlcpr", skipLine), line("FigConfig", hubLine)}, false);
    EXPECT_EQ(seen.passedOver.systemRowsRead, -1) << "not counted, so no shortfall is claimed";
    EXPECT_EQ(seen.passedOver.systemsNotAsked, 1);
    EXPECT_EQ(seen.passedOver.plexHubNodes, 1);

    // A user who asked for events anywhere gets every one.
    platform::TraceSettings user;
    user.routines["logEnqplxs"] = zrx::traceflag::Events;
    picture::useTraceSettings(user, false);
    EXPECT_TRUE(picture::TraceReader(false).takesEvents());
}

TEST(PassedOver, SaysEachThingOnceAndNothingWhenAllWasRead) {
    picture::PassedOver all;
    all.systemRowsRead = 4;
    all.systemRowsConfigured = 4;
    EXPECT_TRUE(all.everySystemRead());

    picture::PassedOver none;
    none.systemRowsRead = 0;
    none.systemRowsConfigured = 0;
    EXPECT_TRUE(none.nothingRead());
    EXPECT_EQ(none.statements(),
              std::vector<std::string>{"the snapshot configures no System (MXCFSYS has no rows): nothing was read"});

    picture::PassedOver some;
    some.unnamedSystemRows = 2;
    some.systemRowsRead = 7;
    some.systemRowsConfigured = 10;
    EXPECT_EQ(some.statements(),
              (std::vector<std::string>{"2 MXCFSYS rows without a System name passed over",
                                        "3 of 10 MXCFSYS rows not read: no online PlexHub's thru-node leads to them"}));
    some.systemRowsRead = -1; // not counted: no shortfall is claimed
    EXPECT_EQ(some.statements().size(), 1u);
}

} // namespace
