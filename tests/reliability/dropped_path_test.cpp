// A path that the module dropped after a failure, or never got, is forgotten:
// the host frees a dropped path at once, so the session end must find the
// handle cleared and fail its check without reading the object (the address
// sanitizer build reports any such read).
#include <gtest/gtest.h>

#include <algorithm>

#include "core/status.h"
#include "frame/work_area.h"
#include "support/enterprise_builder.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"

namespace {

using host::ObjectKind;
using host::Operation;
using zrxtest::EnterpriseBuilder;
using zrxtest::HostFixture;
using zrxtest::SummaryTask;
using zrxtest::TraceRecorder;

// One Enqplex of two Sysplexes: the waiter that PlexHub A reports sends
// phase II to SYSB.
std::string twoSysplexes() {
    EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "HUBA").plexHub("PLXB:HUB", "HUBB");
    b.member("HUBA", "SYSA", "PLEX1").member("HUBB", "SYSB", "PLEX1");
    b.agent("SYSA:AGENT", "TEMSA").agent("SYSB:AGENT", "TEMSB");
    b.summary("HUBA", SummaryTask{"SYSDSN", "PAY.MASTER", "", "WAITER", "SYSA"});
    return b.sql();
}

bool cleared(const zrx::HostHandle& h) { return h.id == 0 && h.obj == nullptr; }

TEST(DroppedPath, AFailureThatDropsThePathLeavesNoHandleToRead) {
    struct Case {
        const char* name;
        uint64_t failingPlan; // the CreateAccessPlan call that fails
        int32_t status;
        const char* routine; // the one that writes "createReq failure(6)"
    };
    // Statements: PlexHubs, members of A and of B, thru-nodes, the summaries
    // of A and of B, then SYSB's detail statement.
    const Case cases[] = {
        {"discovery", 1, 71, "FigConfig"},
        {"phase I", 5, 64, "enqmlcpr"},
        {"phase II", 7, 71, "DQSQLX"},
    };
    HostFixture fx(twoSysplexes());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fx.host().faults().clear();
        fx.host().faults().failCall(Operation::CreateAccessPlan, c.failingPlan, host::status::sqlRefused);
        TraceRecorder trace("error,detail");
        auto s = fx.session(HostFixture::report());
        ASSERT_EQ(s->start(), 0);
        EXPECT_EQ(s->request(), c.status);
        const auto lines = trace.linesOf(c.routine);
        EXPECT_NE(std::find(lines.begin(), lines.end(), "createReq failure(6)"), lines.end());
        const auto* w = static_cast<const zrx::workA*>(s->workArea());
        EXPECT_TRUE(cleared(w->pathHdl));
        EXPECT_EQ(s->live().paths, 0);
        EXPECT_EQ(fx.host().faults().calls(Operation::DropPath), 1u);

        trace.clear();
        EXPECT_EQ(s->end(), 0);
        EXPECT_EQ(trace.linesOf("enqmlcts"),
                  (std::vector<std::string>{"Drop Path Handle(2)", "Return status(0)"}));
        EXPECT_EQ(fx.host().faults().calls(Operation::DropPath), 1u) << "no call on the forgotten handle";
    }
}

TEST(DroppedPath, APathHandleFailingItsCheckAtStartIsForgotten) {
    HostFixture fx(twoSysplexes());
    fx.host().faults().failHandle(ObjectKind::Path, 1);
    TraceRecorder trace("error");
    auto s = fx.session(HostFixture::report());
    EXPECT_EQ(s->start(), 64);
    EXPECT_EQ(trace.linesOf("enqmlcss"), std::vector<std::string>{"Create Path call failed with status 2"});
    EXPECT_TRUE(cleared(static_cast<const zrx::workA*>(s->workArea())->pathHdl));
    trace.clear();
    trace.setLevels("error,detail");
    EXPECT_EQ(s->end(), 0);
    EXPECT_EQ(trace.linesOf("enqmlcts"), (std::vector<std::string>{"Drop Path Handle(2)", "Return status(0)"}));
    EXPECT_EQ(fx.host().faults().calls(Operation::DropPath), 0u);
}

} // namespace
