// The one runner of whole sessions: where it stops calling, what it keeps,
// and when its hooks see the session.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/session_run.h"
#include "support/host_fixture.h"
#include "zrx/status.h"

namespace {

using zrx::entry::viewAbandoned;

// Without index predicates every request call abandons the view.
TEST(SessionRun, StopsAtTheFirstNonzeroStatusThenMakesTheExtraCalls) {
    zrxtest::HostFixture fx;
    auto once = fx.session();
    const host::SessionRun run = host::runSession(*once);
    EXPECT_EQ(run.start, 0);
    EXPECT_EQ(run.requests, std::vector<int32_t>{viewAbandoned});
    EXPECT_EQ(run.finalStatus(), viewAbandoned);
    EXPECT_EQ(run.end, 0);
    EXPECT_EQ(run.abandonReason, zrx::Abandon::InvalidIndices);
    EXPECT_TRUE(once->released());

    auto more = fx.session();
    const host::SessionRun extra = host::runSession(*more, {10, 2});
    EXPECT_EQ(extra.requests, (std::vector<int32_t>{viewAbandoned, viewAbandoned, viewAbandoned}));
    EXPECT_EQ(extra.abandonReason, zrx::Abandon::InvalidIndices);
}

TEST(SessionRun, HooksSeeTheSessionInOrderAndMayStopTheCalls) {
    zrxtest::HostFixture fx;
    auto s = fx.session();
    std::vector<std::string> seen;
    host::RunHooks hooks;
    hooks.afterStart = [&](host::Session&, int32_t start) { seen.push_back("start " + std::to_string(start)); };
    hooks.afterRequest = [&](host::Session&, int32_t status) {
        seen.push_back("request " + std::to_string(status));
        return false;
    };
    hooks.beforeEnd = [&](host::Session& session) {
        seen.push_back(session.workArea() ? "end with work area" : "end without work area");
    };
    const host::SessionRun run = host::runSession(*s, {10, 5}, hooks);
    EXPECT_EQ(seen, (std::vector<std::string>{"start 0", "request 71", "end with work area"}));
    EXPECT_EQ(run.requests.size(), 1u);
}

TEST(SessionRun, MaxCallsBoundsTheCalls) {
    zrxtest::HostFixture fx;
    auto s = fx.session();
    const host::SessionRun run = host::runSession(*s, {0, 3});
    EXPECT_TRUE(run.requests.empty());
    EXPECT_EQ(run.last(), -1);
    EXPECT_EQ(run.finalStatus(), -1);
}

} // namespace
