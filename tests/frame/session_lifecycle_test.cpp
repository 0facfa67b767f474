// Session start and session end against the real host: statuses, trace
// lines, what the host is asked for, and the work area after a start.
#include <gtest/gtest.h>

#include <cstring>

#include "core/status.h"
#include "frame/work_area.h"
#include "platform/base_library.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"
#include "zrx/status.h"

using zrx::entry::viewAbandoned;

namespace {

using host::ObjectKind;
using host::Operation;
using zrxtest::HostFixture;
using zrxtest::TraceRecorder;

class SessionLifecycle : public ::testing::Test {
protected:
    void SetUp() override { platform::resetBaseLibraryCounters(); }
    HostFixture fx;
    TraceRecorder trace{"all"};
};

TEST_F(SessionLifecycle, StartWithFailingRequestBlockCheckFindsNoParameterList) {
    host::faults(fx.host()).failHandle(ObjectKind::RequestBlock, 1);
    auto s = fx.session();
    EXPECT_EQ(s->start(), 60);
    EXPECT_EQ(platform::baseLibraryCounters().sessionStarts, 1u);
    EXPECT_EQ(host::faults(fx.host()).calls(Operation::GetRequestItem), 0u);
    EXPECT_TRUE(trace.hasLine("Data server parameter list not found."));
    EXPECT_EQ(s->workArea(), nullptr);
}

TEST_F(SessionLifecycle, StartInitialisesWorkAreaWhateverTheStorageHeld) {
    auto s = fx.session({}, host::SessionOptions{{}, "HUB01:CMS", UINT64_MAX});
    ASSERT_EQ(s->start(), 0);
    auto* w = static_cast<zrx::workA*>(s->workArea());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::memcmp(w->eyeCatcher, "strWorkA", 8), 0);
    EXPECT_EQ(w->firstCall, 1);
    EXPECT_EQ(w->parmList, &s->parmList());
    EXPECT_STREQ(w->nodeArea, "HUB01:CMS");
    EXPECT_EQ(host::faults(fx.host()).calls(Operation::PutRequestItem), 1u);
    EXPECT_EQ(s->live().paths, 1);

    // Every byte the start does not set is zero, though the host filled
    // fresh storage with 0xA5.
    zrx::workA expected;
    std::memset(&expected, 0, sizeof expected);
    std::memcpy(expected.eyeCatcher, "strWorkA", 8);
    expected.parmList = w->parmList;
    std::strcpy(expected.nodeArea, "HUB01:CMS");
    expected.firstCall = 1;
    expected.pathHdl = w->pathHdl;
    EXPECT_EQ(std::memcmp(&expected, w, sizeof expected), 0);
    EXPECT_EQ(w->numEnqplexes, 0);
    EXPECT_EQ(w->NASOR, nullptr);
    EXPECT_EQ(w->SQLtbl[0].state, 0u);
    EXPECT_EQ(w->SQLtbl[1].state, 0u);

    const auto lines = trace.linesOf("enqmlcss");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Obtained Sample storage at ", 0), 0u);
    EXPECT_NE(lines[0].find(" of size " + std::to_string(sizeof(zrx::workA)) + "."), std::string::npos);
    EXPECT_EQ(s->end(), 0);
}

TEST_F(SessionLifecycle, NodeTextLongerThanItsAreaIsCutAndTerminated) {
    const std::string longText(100, 'N');
    auto s = fx.session({}, host::SessionOptions{{}, longText, UINT64_MAX});
    ASSERT_EQ(s->start(), 0);
    auto* w = static_cast<zrx::workA*>(s->workArea());
    EXPECT_EQ(std::string(w->nodeArea), std::string(39, 'N'));
    EXPECT_EQ(w->rowsUsed, 0);
    EXPECT_EQ(w->rowsReturned, 0);
}

TEST_F(SessionLifecycle, StorageRefusedGives64AndWritesNothing) {
    for (bool handleFault : {false, true}) {
        host::faults(fx.host()).clear();
        if (handleFault)
            host::faults(fx.host()).failHandle(ObjectKind::Storage, 1);
        else
            host::faults(fx.host()).failCall(Operation::GetSampleStorage, 1, 9);
        trace.clear();
        auto s = fx.session();
        EXPECT_EQ(s->start(), 64);
        EXPECT_EQ(s->workArea(), nullptr);
        EXPECT_EQ(s->storageOutstanding(), 0u);
        EXPECT_EQ(trace.linesOf("enqmlcss"), std::vector<std::string>{"Sample storage not available."});
        // The session end then finds no work area.
        EXPECT_EQ(s->end(), viewAbandoned);
        EXPECT_TRUE(trace.hasLine("Unable to locate workA work area."));
    }
    EXPECT_EQ(host::faults(fx.host()).calls(Operation::DropPath), 0u);
    EXPECT_EQ(platform::baseLibraryCounters().sessionEnds, 0u);
    EXPECT_EQ(platform::baseLibraryCounters().sessionStarts, 2u);
}

TEST_F(SessionLifecycle, PathCreationFailureGives64WithTheWorkAreaHandedOver) {
    host::faults(fx.host()).failCall(Operation::CreatePath, 1, 77);
    auto s = fx.session();
    EXPECT_EQ(s->start(), 64);
    EXPECT_NE(s->workArea(), nullptr);
    EXPECT_TRUE(trace.hasLine("Create Path call failed with status 77"));
    EXPECT_EQ(s->live().paths, 0);
    // The empty path handle fails its check at session end: status 2, no
    // call, no read through the null object reference.
    trace.clear();
    EXPECT_EQ(s->end(), 0);
    EXPECT_EQ(trace.linesOf("enqmlcts"),
              (std::vector<std::string>{"Drop Path Handle(2)", "Return status(0)"}));
    EXPECT_EQ(host::faults(fx.host()).calls(Operation::DropPath), 0u);
}

TEST_F(SessionLifecycle, EndDropsThePathAndTracesAFailingDrop) {
    auto s = fx.session();
    ASSERT_EQ(s->start(), 0);
    host::faults(fx.host()).failCall(Operation::DropPath, 1, 33);
    trace.clear();
    EXPECT_EQ(s->end(), 0);
    EXPECT_EQ(trace.linesOf("enqmlcts"),
              (std::vector<std::string>{"Drop Path Handle(33)", "Return status(0)"}));
    EXPECT_EQ(platform::baseLibraryCounters().sessionEnds, 1u);

    auto ok = fx.session();
    ASSERT_EQ(ok->start(), 0);
    trace.clear();
    EXPECT_EQ(ok->end(), 0);
    EXPECT_EQ(ok->liveAtEnd().paths, 0);
    EXPECT_EQ(trace.linesOf("enqmlcts"), (std::vector<std::string>{"Drop Path Handle(0)", "Return status(0)"}));
}

TEST_F(SessionLifecycle, EndWithFailingRequestBlockCheckGives60) {
    auto s = fx.session();
    ASSERT_EQ(s->start(), 0);
    host::faults(fx.host()).failHandle(ObjectKind::RequestBlock, 2);
    EXPECT_EQ(s->end(), 60);
    EXPECT_EQ(platform::baseLibraryCounters().sessionEnds, 0u);
}

// Calls DropPath through the operation table that `table`'s object leads to,
// with any (id, object): the host, not the module, judges the handle.
int32_t dropPathWith(const zrx::HostHandle& table, uint32_t id, zrx::HostObject* obj) {
    const auto* desc = static_cast<const zrx::DescriptorB*>(table.obj->descriptor);
    return (desc->ops->slot[zrx::slot::DropPath].*zrx::slotMember<zrx::op::NoArgs>())(id, obj);
}

TEST_F(SessionLifecycle, StaleHandlesFailTheirCheckAfterADrop) {
    auto s = fx.session();
    ASSERT_EQ(s->start(), 0);
    const zrx::HostHandle path = static_cast<zrx::workA*>(s->workArea())->pathHdl;
    ASSERT_EQ(s->end(), 0);
    auto next = fx.session();
    ASSERT_EQ(next->start(), 0);
    const zrx::HostHandle live = static_cast<zrx::workA*>(next->workArea())->pathHdl;
    const uint64_t drops = fx.faults().calls(Operation::DropPath);
    // The first session's path, its object and id both gone; then the live
    // path's object with the stale id; then the stale object with the live id.
    EXPECT_EQ(dropPathWith(live, path.id, path.obj), host::status::badHandle);
    EXPECT_EQ(dropPathWith(live, path.id, live.obj), host::status::badHandle);
    if (path.obj != live.obj) {
        EXPECT_EQ(dropPathWith(live, live.id, path.obj), host::status::badHandle);
    }
    EXPECT_EQ(fx.faults().calls(Operation::DropPath), drops) << "no refused call reached the operation";
    EXPECT_EQ(next->live().paths, 1) << "the live path is untouched";
    EXPECT_EQ(next->end(), 0);
    EXPECT_FALSE(next->liveAtEnd().any());
}

// The module obtains its work area and nothing else at start, never gives
// storage back, and drops its path itself at the end: what the host
// releases afterwards is exactly what the module obtained.
TEST_F(SessionLifecycle, TheModuleHoldsItsWorkAreaAndDropsItsPathItself) {
    auto s = fx.session();
    const uint64_t handedOut = fx.host().storageHandedOut();
    ASSERT_EQ(s->start(), 0);
    EXPECT_EQ(fx.host().storageHandedOut() - handedOut, sizeof(zrx::workA));
    EXPECT_EQ(fx.faults().calls(Operation::GetSampleStorage), 1u);
    EXPECT_EQ(fx.faults().calls(Operation::GetViewStorage), 0u);
    EXPECT_EQ(s->live().paths, 1);
    EXPECT_EQ(s->end(), 0);
    EXPECT_FALSE(s->liveAtEnd().any()) << "the module dropped its path before the host released anything";
    EXPECT_EQ(fx.faults().calls(Operation::DropPath), 1u);
    EXPECT_EQ(fx.host().storageHandedOut() - handedOut, sizeof(zrx::workA)) << "nothing asked for at the end";
}

} // namespace
