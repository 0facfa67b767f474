// A path that the module dropped after a failure, or never got, is forgotten:
// the host frees a dropped path at once, so the session end must find the
// handle cleared and fail its check without reading the object (the address
// sanitizer build reports any such read).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "testing/fault_plan.h"
#include "core/status.h"
#include "frame/work_area.h"
#include "support/enterprise_builder.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"
#include "zrx/status.h"

using zrx::entry::viewAbandoned;

namespace {

using host::Operation;
using zrxtest::HostFixture;

TEST(DroppedPath, NoHandleIsLeftToReadAfterThePathIsDroppedOrNeverMade) {
    // One Enqplex of two Sysplexes: the waiter that PlexHub A reports sends
    // phase II to SYSB. Statements: PlexHubs, members of A and of B,
    // thru-nodes, the summaries of A and of B, SYSB's detail statement.
    zrxtest::EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "HUBA").plexHub("PLXB:HUB", "HUBB");
    b.agent("SYSA:AGENT", "TEMSA").agent("SYSB:AGENT", "TEMSB");
    b.member("HUBA", "SYSA", "PLEX1").member("HUBB", "SYSB", "PLEX1");
    b.summary("HUBA", zrxtest::SummaryTask{"SYSDSN", "PAY.MASTER", "", "WAITER", "SYSA"});
    HostFixture fx(b.sql());
    auto failPlan = [](uint64_t nth) {
        return [nth](host::FaultPlan& p) { p.failCall(Operation::CreateAccessPlan, nth, host::status::sqlRefused); };
    };
    struct Case {
        const char* routine; // writes the failure line
        std::function<void(host::FaultPlan&)> fault;
        int32_t status;      // of the start, or else of the first request
        const char* line;
        uint64_t drops;      // DropPath calls the failure made
    };
    const Case cases[] = {
        {"enqmlcss", [](host::FaultPlan& p) { p.failHandle(host::ObjectKind::Path, 1); }, 64,
         "Create Path call failed with status 2", 0},
        {"FigConfig", failPlan(1), viewAbandoned, "createReq failure(6)", 1},
        {"enqmlcpr", failPlan(5), 64, "createReq failure(6)", 1},
        {"DQSQLX", failPlan(7), viewAbandoned, "createReq failure(6)", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.routine);
        host::faults(fx.host()).clear();
        c.fault(host::faults(fx.host()));
        zrxtest::TraceRecorder trace("error,detail");
        auto s = fx.session(HostFixture::report());
        const int32_t start = s->start();
        EXPECT_EQ(start == 0 ? s->request() : start, c.status);
        const auto lines = trace.linesOf(c.routine);
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end());
        const zrx::HostHandle path = static_cast<const zrx::workA*>(s->workArea())->pathHdl;
        EXPECT_EQ(path.id, 0u);
        EXPECT_EQ(path.obj, nullptr);

        trace.clear();
        EXPECT_EQ(s->end(), 0);
        EXPECT_EQ(trace.linesOf("enqmlcts"), (std::vector<std::string>{"Drop Path Handle(2)", "Return status(0)"}));
        EXPECT_EQ(host::faults(fx.host()).calls(Operation::DropPath), c.drops) << "no call on the forgotten handle";
    }
}

} // namespace
