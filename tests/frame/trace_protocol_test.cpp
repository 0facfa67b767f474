// The trace protocol: events at entry and at every return, lines only at
// their level, flags cached until the facility's sync counter moves.
#include <gtest/gtest.h>

#include "core/status.h"
#include "platform/trace_control.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"

namespace {

using zrxtest::HostFixture;
using zrxtest::TraceRecorder;

TEST(TraceProtocol, EveryReturnPathEmitsItsExitEventWithTheResult) {
    HostFixture fx;
    TraceRecorder trace("events");
    host::faults(fx.host()).failHandle(host::ObjectKind::RequestBlock, 1);
    auto failing = fx.session();
    EXPECT_EQ(failing->start(), 60);
    EXPECT_EQ(trace.events(), (std::vector<std::string>{"> enqmlcss", "< enqmlcss = 60"}));
    EXPECT_TRUE(trace.lines().empty());

    trace.clear();
    host::faults(fx.host()).clear();
    auto s = fx.session();
    EXPECT_EQ(s->start(), 0);
    EXPECT_EQ(s->end(), 0);
    EXPECT_EQ(trace.events(),
              (std::vector<std::string>{"> enqmlcss", "< enqmlcss = 0", "> enqmlcts", "> Drop_SQL",
                                        "< Drop_SQL = 0", "< enqmlcts = 0"}));
}

TEST(TraceProtocol, LinesAppearOnlyAtTheirLevel) {
    HostFixture fx;
    TraceRecorder trace("error");
    host::faults(fx.host()).failCall(host::Operation::CreatePath, 1, 5);
    auto s = fx.session();
    EXPECT_EQ(s->start(), 64);
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"enqmlcss: Create Path call failed with status 5"});
    EXPECT_TRUE(trace.events().empty());

    trace.clear();
    trace.setLevels("detail");
    auto ok = fx.session();
    EXPECT_EQ(ok->start(), 0);
    EXPECT_EQ(ok->end(), 0);
    // Detail lines only: the storage line, the two session end lines.
    const auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "enqmlcts: Drop Path Handle(0)");

    trace.clear();
    trace.setLevels("none enqmlcts:detail");
    auto only = fx.session();
    EXPECT_EQ(only->start(), 0);
    EXPECT_EQ(only->end(), 0);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"enqmlcts: Drop Path Handle(0)",
                                                       "enqmlcts: Return status(0)"}));
}

TEST(TraceProtocol, FlagsAreCachedUntilTheSyncCounterMoves) {
    HostFixture fx;
    TraceRecorder trace("none");
    auto first = fx.session();
    ASSERT_EQ(first->start(), 0);
    const uint64_t afterFirst = platform::traceSyncCalls();
    auto second = fx.session();
    ASSERT_EQ(second->start(), 0);
    EXPECT_EQ(platform::traceSyncCalls(), afterFirst) << "a second call must use the cached flags";

    trace.setLevels("enqmlcss:events");
    auto third = fx.session();
    ASSERT_EQ(third->start(), 0);
    EXPECT_EQ(platform::traceSyncCalls(), afterFirst + 1);
    EXPECT_EQ(trace.events(), (std::vector<std::string>{"> enqmlcss", "< enqmlcss = 0"}));
}

TEST(TraceSettingsParsing, AcceptsLevelsAndRoutinesAndRejectsUnknownWords) {
    platform::TraceSettings s;
    std::string error;
    ASSERT_TRUE(platform::TraceSettings::parse("error,detail FigConfig:events;logSOR:none", s, error));
    EXPECT_EQ(s.defaultFlags, 0x81u);
    EXPECT_EQ(s.flagsFor("FigConfig"), 0x40u);
    EXPECT_EQ(s.flagsFor("logSOR"), 0u);
    EXPECT_EQ(s.flagsFor("enqmlcpr"), 0x81u);
    ASSERT_TRUE(platform::TraceSettings::parse("all", s, error));
    EXPECT_EQ(s.defaultFlags, 0xC1u);
    EXPECT_FALSE(platform::TraceSettings::parse("verbose", s, error));
    EXPECT_NE(error.find("verbose"), std::string::npos);
    EXPECT_FALSE(platform::TraceSettings::parse(":detail", s, error));
    EXPECT_FALSE(platform::TraceSettings::parse("", s, error));
}

} // namespace
