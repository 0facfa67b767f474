// The request entry's guards around the work area and the next-row
// position, on the linked module so that the work area can be looked at
// and damaged between calls.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "frame/work_area.h"
#include "support/enterprise_builder.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;
using zrx::entry::viewAbandoned;

namespace {

using zrxtest::EnterpriseBuilder;
using zrxtest::HostFixture;
using zrxtest::SummaryTask;
using zrxtest::TraceRecorder;

// PLEXA (one Sysplex) with SYSDSN A held by OWNER and awaited by WAITER, and
// SYSDSN B awaited by WAITER2.
std::string enterprise() {
    EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "HUBA:CMS").agent("SYSA:AGENT", "RTEMSA").member("HUBA:CMS", "SYSA", "PLEXA");
    b.summary("HUBA:CMS", SummaryTask{"SYSDSN", "A", "OWNER", "", "SYSA"});
    b.summary("HUBA:CMS", SummaryTask{"SYSDSN", "A", "", "WAITER", "SYSA"});
    b.summary("HUBA:CMS", SummaryTask{"SYSDSN", "B", "", "WAITER2", "SYSA"});
    return b.sql();
}

// The work area as it was, but for the request block handle, which every
// call stores again (its padding on 64-bit builds is whatever the copy held).
bool sameBesidesRequestBlock(const std::vector<unsigned char>& before, const zrx::workA* w) {
    const auto* now = reinterpret_cast<const unsigned char*>(w);
    const size_t from = offsetof(zrx::workA, reqBlk), to = from + sizeof w->reqBlk;
    for (size_t i = 0; i < sizeof *w; ++i)
        if ((i < from || i >= to) && before[i] != now[i]) return false;
    return true;
}

class RequestEntry : public ::testing::Test {
protected:
    HostFixture fx{enterprise()};
    TraceRecorder trace{"error,detail"};

    zrx::workA* workArea(host::Session& s) { return static_cast<zrx::workA*>(s.workArea()); }
    std::vector<std::string> lines() { return trace.linesOf("enqmlcpr"); }
};

TEST_F(RequestEntry, DetailPositionWithoutADetailRowIsTheEndOfTheData) {
    auto s = fx.session(HostFixture::resource("SYSDSN", "A", "PLEXA"));
    ASSERT_EQ(s->start(), 0);
    ASSERT_EQ(s->request(), 0);
    zrx::workA* w = workArea(*s);
    ASSERT_NE(w->NASOR, nullptr);
    // The next detail row vanishes from the list.
    w->NASOR->DOR1st->DORNxt = nullptr;
    w->NASOR->DOR1st = nullptr;
    w->NADOR = nullptr;
    trace.clear();
    EXPECT_EQ(s->request(), noMoreRows);
    EXPECT_EQ(lines().back(), "Ran Out of Data (Report!=Y): 1 Rows Were Returned (No Row at the Position)");
    EXPECT_EQ(s->rows().size(), 1u);
    EXPECT_EQ(s->end(), 0);
}

TEST_F(RequestEntry, SummaryPositionWithoutASummaryRowIsTheEndOfTheData) {
    auto s = fx.session(HostFixture::report());
    ASSERT_EQ(s->start(), 0);
    ASSERT_EQ(s->request(), 0);
    zrx::workA* w = workArea(*s);
    // An Enqplex in use whose position has no summary row left, which
    // SORstep cannot move past when the count of Enqplexes is wrong.
    w->NASOR = nullptr;
    w->numEnqplexes = 0;
    trace.clear();
    EXPECT_EQ(s->request(), noMoreRows);
    EXPECT_EQ(lines().back(), "Ran Out of Data (Report==Y): 1 Rows Were Returned (No Row at the Position)");
    EXPECT_EQ(s->rows().size(), 1u);
}

TEST_F(RequestEntry, WorkAreaWithoutItsEyeCatcherIsNotUsed) {
    auto s = fx.session(HostFixture::report());
    ASSERT_EQ(s->start(), 0);
    zrx::workA* w = workArea(*s);
    std::memcpy(w->eyeCatcher, "strWorkB", 8);
    std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(w),
                                      reinterpret_cast<unsigned char*>(w) + sizeof *w);
    EXPECT_EQ(s->request(), viewAbandoned);
    EXPECT_EQ(lines(), std::vector<std::string>{"Unable to locate workA work area."});
    EXPECT_EQ(std::memcmp(before.data(), w, sizeof *w), 0);
    EXPECT_TRUE(fx.host().statements().empty());
}

TEST_F(RequestEntry, AbandonedCollectionIsRecordedInFirstCallAndNeverRetried) {
    auto s = fx.session({}); // no predicate: invalid indices
    ASSERT_EQ(s->start(), 0);
    EXPECT_EQ(s->request(), viewAbandoned);
    zrx::workA* w = workArea(*s);
    EXPECT_EQ(w->firstCall, -1);
    std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(w),
                                      reinterpret_cast<unsigned char*>(w) + sizeof *w);
    trace.setLevels("none");
    trace.clear();
    EXPECT_EQ(s->request(), viewAbandoned);
    EXPECT_EQ(s->request(), viewAbandoned);
    // Written whatever the trace settings; nothing else happens.
    EXPECT_EQ(lines(), std::vector<std::string>(
                           2, "MENTRENQ view was abandoned during collection; no rows in this session"));
    EXPECT_TRUE(sameBesidesRequestBlock(before, w));
    EXPECT_TRUE(s->rows().empty());
    EXPECT_TRUE(fx.host().statements().empty());
}

TEST_F(RequestEntry, RowsLeaveThePaddingByteAndRepeatSummaryColumnsInDetailMode) {
    auto s = fx.session(HostFixture::resource("SYSDSN", "A", "PLEXA"));
    ASSERT_EQ(s->start(), 0);
    EXPECT_EQ(s->request(), 0);
    EXPECT_EQ(s->request(), 0);
    EXPECT_EQ(s->request(), noMoreRows);
    ASSERT_EQ(s->rows().size(), 2u);
    for (const auto& r : s->rows()) {
        EXPECT_EQ(r.padding, 0);
        EXPECT_EQ(r.owntaskct, 1);
        EXPECT_EQ(r.waittaskct, 1);
        EXPECT_EQ(std::memcmp(r.report, "   ", 3), 0);
    }
    EXPECT_EQ(zrxtest::trimmed(s->rows()[0].owningas), "OWNER");
    EXPECT_EQ(zrxtest::trimmed(s->rows()[1].waitingas), "WAITER");
    EXPECT_EQ(s->rows()[0].trueowner, 0x80);
    EXPECT_EQ(s->rows()[1].trueowner, 0x40);
}

} // namespace
