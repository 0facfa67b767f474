// Faults the session start must report rather than hide behind a 0: the
// host refusing the work area, and a path handle that fails its check.
#include <gtest/gtest.h>

#include "core/operations.h"
#include "reliability_harness.h"
#include "support/trace_recorder.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;
using zrx::entry::viewAbandoned;

namespace reliability {
namespace {

using host::ObjectKind;
using host::Operation;

TEST(SessionStartFaults, WorkAreaRefusedByTheHostEndsTheStartWith64AndOpensNoPath) {
    zrxtest::TraceRecorder trace("error");
    Enterprise e("demo", demoSql());
    Outcome o = e.run(zrxtest::HostFixture::report(),
                      [](host::FaultPlan& p) { p.failCall(Operation::PutRequestItem, 1, 9); });
    EXPECT_EQ(o.start, 64);
    EXPECT_TRUE(o.requests.empty());
    // The host never got the work area back: the end cannot find it.
    EXPECT_EQ(o.end, viewAbandoned);
    EXPECT_FALSE(o.liveAtEnd.any());
    EXPECT_EQ(trace.linesOf("enqmlcss"),
              (std::vector<std::string>{"Work area not accepted by the data server, status 9"}));
    EXPECT_EQ(host::faults(e.host()).calls(Operation::CreatePath), 0u);
}

TEST(SessionStartFaults, PathHandleFailingItsCheckEndsTheStartWith64) {
    zrxtest::TraceRecorder trace("error");
    Enterprise e("demo", demoSql());
    Outcome o = e.run(zrxtest::HostFixture::report(),
                      [](host::FaultPlan& p) { p.failHandle(ObjectKind::Path, 1); });
    EXPECT_EQ(o.start, 64);
    EXPECT_EQ(trace.linesOf("enqmlcss"),
              (std::vector<std::string>{"Create Path call failed with status 2"}));
    // The work area was handed over, so the end finds it and returns 0; the
    // path it cannot address is left to the host.
    EXPECT_EQ(o.end, 0);
    EXPECT_EQ(o.liveAtEnd.paths, 1);
    EXPECT_TRUE(o.statements.empty());
}

TEST(SessionStartFaults, LaterPutRequestItemFailuresLoseOnlyTheirRow) {
    Enterprise e("demo", demoSql());
    const Outcome clean = e.run(zrxtest::HostFixture::report());
    ASSERT_GE(clean.rows.size(), 3u);
    // Call 3 hands over the second row.
    Outcome o = e.run(zrxtest::HostFixture::report(),
                      [](host::FaultPlan& p) { p.failCall(Operation::PutRequestItem, 3, 9); });
    EXPECT_EQ(o.start, 0);
    EXPECT_EQ(o.last(), noMoreRows);
    EXPECT_EQ(o.requests.size(), clean.requests.size());
    auto expected = clean.rows;
    expected.erase(expected.begin() + 1);
    EXPECT_TRUE(sameRows(o.rows, expected));
}

} // namespace
} // namespace reliability
