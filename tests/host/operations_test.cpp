// Plans, requests and cursors: every operation counted and failing on
// demand, dropped and foreign handles refused, arguments and states judged
// by the host itself.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/status.h"
#include "host_ops_fixture.h"

namespace {

using host::ObjectKind;
using host::Operation;
using hosttest::direct;
using hosttest::HostOps;
using hosttest::Statement;
using Statuses = std::vector<int32_t>;

constexpr int32_t injected = 77;

// Three calls of one operation, each on a handle in the state the
// operation needs; the statuses of those three calls.
struct ThreeCalls {
    Operation op;
    std::function<Statuses(HostOps&)> drive;
};

class OperationFault : public HostOps, public ::testing::WithParamInterface<ThreeCalls> {};

TEST_P(OperationFault, CountsEveryCallAndFailsOnlyTheSecond) {
    faults().failCall(GetParam().op, 2, injected);
    EXPECT_EQ(GetParam().drive(*this), (Statuses{0, injected, 0}));
    EXPECT_EQ(calls(GetParam().op), 3u);
    EXPECT_EQ(faults().injected(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    PlanRequestCursor, OperationFault,
    ::testing::Values(
        ThreeCalls{Operation::CreateAccessPlan,
                   [](HostOps& h) {
                       Statement a, b, c;
                       const std::string text = hosttest::summaryText();
                       Statuses st{h.plan(a, text), h.plan(b, text), h.plan(c, text)};
                       EXPECT_EQ(h.session->live().plans, 2);
                       return st;
                   }},
        ThreeCalls{Operation::CreateRequest,
                   [](HostOps& h) {
                       Statement a, b, c;
                       EXPECT_EQ(h.plan(a, hosttest::summaryText()), 0);
                       b.plan = c.plan = a.plan;
                       Statuses st{h.request(a), h.request(b), h.request(c)};
                       EXPECT_EQ(h.session->live().requests, 2);
                       EXPECT_EQ(h.session->live().cursors, 2);
                       return st;
                   }},
        ThreeCalls{Operation::GetInputSQLDA,
                   [](HostOps& h) {
                       Statement a;
                       EXPECT_EQ(h.plan(a, hosttest::summaryText()), 0);
                       EXPECT_EQ(h.request(a), 0);
                       return Statuses{h.input(a), h.input(a), h.input(a)};
                   }},
        ThreeCalls{Operation::OpenRequest,
                   [](HostOps& h) {
                       Statement a;
                       h.requested(a);
                       Statuses st{h.open(a)};
                       EXPECT_EQ(zrx::CloseRequest(a.req), 0);
                       st.push_back(h.open(a));
                       st.push_back(h.open(a));
                       return st;
                   }},
        ThreeCalls{Operation::GetOutputSQLDA,
                   [](HostOps& h) {
                       Statement a;
                       h.opened(a);
                       zrx::SQLDA* first = a.out;
                       Statuses st{h.output(a), h.output(a)};
                       // Handed out again, it is the same SQLDA.
                       EXPECT_EQ(a.out, first);
                       return Statuses{0, st[0], st[1]};
                   }},
        ThreeCalls{Operation::FetchRow,
                   [](HostOps& h) {
                       Statement a;
                       h.opened(a);
                       Statuses st{h.fetch(a), h.fetch(a), h.fetch(a)};
                       // The failed call took no row: the third call gave the second.
                       EXPECT_EQ(std::string(static_cast<const char*>(zrx::sqldaColumn(a.out, 0)->data), 8),
                                 "SPFEDIT ");
                       return st;
                   }},
        ThreeCalls{Operation::CloseRequest,
                   [](HostOps& h) {
                       Statement a;
                       h.opened(a);
                       Statuses st{zrx::CloseRequest(a.req)};
                       EXPECT_EQ(h.open(a), 0);
                       st.push_back(zrx::CloseRequest(a.req));
                       // Still open after the failed close.
                       EXPECT_EQ(h.fetch(a), 0);
                       st.push_back(zrx::CloseRequest(a.req));
                       return st;
                   }},
        ThreeCalls{Operation::DropRequest,
                   [](HostOps& h) {
                       Statement a, b, c;
                       h.requested(a);
                       b.plan = c.plan = a.plan;
                       EXPECT_EQ(h.request(b), 0);
                       EXPECT_EQ(h.request(c), 0);
                       Statuses st{zrx::DropRequest(a.req), zrx::DropRequest(b.req), zrx::DropRequest(c.req)};
                       EXPECT_EQ(h.session->live().requests, 1);
                       EXPECT_EQ(h.session->live().cursors, 1);
                       return st;
                   }},
        ThreeCalls{Operation::DropPlan,
                   [](HostOps& h) {
                       Statement a, b, c;
                       const std::string text = hosttest::summaryText();
                       EXPECT_EQ(h.plan(a, text), 0);
                       EXPECT_EQ(h.plan(b, text), 0);
                       EXPECT_EQ(h.plan(c, text), 0);
                       Statuses st{zrx::DropPlan(a.plan), zrx::DropPlan(b.plan), zrx::DropPlan(c.plan)};
                       EXPECT_EQ(h.session->live().plans, 1);
                       return st;
                   }}),
    [](const auto& info) { return std::string(host::operationName(info.param.op)); });

TEST_F(HostOps, DropPathFailsOnDemandThenFreesThePath) {
    faults().failCall(Operation::DropPath, 1, injected);
    EXPECT_EQ(zrx::DropPath(w->pathHdl), injected);
    EXPECT_EQ(session->live().paths, 1);
    EXPECT_NE(host::findObject(w->pathHdl.obj, host::ObjectKind::Path), nullptr);
    EXPECT_EQ(zrx::DropPathForGood(w->pathHdl), 0);
    EXPECT_EQ(session->live().paths, 0);
    // The object is gone; the forgotten handle fails the module's check
    // without a call.
    EXPECT_EQ(w->pathHdl.obj, nullptr);
    EXPECT_EQ(w->pathHdl.id, 0u);
    EXPECT_EQ(zrx::DropPath(w->pathHdl), 2);
    EXPECT_EQ(calls(Operation::DropPath), 2u);
}

TEST_F(HostOps, AFreedObjectIsNotAnsweredAsTheOneLookedUpLast) {
    // The path is the object looked up last when it is freed; a handle kept
    // to it must then be refused, not answered from memory that is gone.
    const zrx::HostHandle kept = w->pathHdl;
    Statement s;
    ASSERT_EQ(plan(s, hosttest::summaryText()), 0);
    ASSERT_EQ(zrx::DropPlan(s.plan), 0);
    ASSERT_EQ(zrx::DropPathForGood(w->pathHdl), 0);
    EXPECT_EQ(direct<zrx::op::NoArgs>(s.plan, zrx::slot::DropPlan, kept.id, kept.obj), 2);
    EXPECT_EQ(session->live().paths, 0);
}

TEST_F(HostOps, AnObjectLookedUpLastIsStillRefusedAsAnotherKind) {
    // Each kind remembers the object it found last; a handle of one kind
    // presented where another is expected must still be refused.
    Statement s;
    opened(s);
    ASSERT_EQ(fetch(s), 0);
    EXPECT_EQ(direct<zrx::op::NoArgs>(s.plan, zrx::slot::DropPlan, s.cur.id, s.cur.obj), 2);
    EXPECT_EQ(direct<zrx::op::NoArgs>(s.req, zrx::slot::CloseRequest, w->pathHdl.id, w->pathHdl.obj), 2);
    EXPECT_EQ(direct<zrx::op::FetchRow>(s.cur, zrx::slot::FetchRow, s.plan.id, s.plan.obj, s.out), 2);
    // And the right handles are still answered.
    EXPECT_EQ(fetch(s), 0);
    EXPECT_EQ(zrx::DropRequest(s.req), 0);
    EXPECT_EQ(zrx::DropPlan(s.plan), 0);
}

TEST_F(HostOps, DroppedRequestAndCursorAreRefusedByTheModuleCheckAndByTheHost) {
    Statement s;
    opened(s);
    ASSERT_EQ(fetch(s), 0);
    ASSERT_EQ(zrx::DropRequest(s.req), 0);
    EXPECT_EQ(session->live().requests, 0);
    EXPECT_EQ(session->live().cursors, 0);

    // The module sees a check value that no longer matches and calls nobody.
    EXPECT_EQ(fetch(s), 2);
    EXPECT_EQ(output(s), 2);
    EXPECT_EQ(open(s), 2);
    EXPECT_EQ(zrx::CloseRequest(s.req), 2);
    EXPECT_EQ(zrx::DropRequest(s.req), 2);
    EXPECT_EQ(calls(Operation::FetchRow), 1u);
    EXPECT_EQ(calls(Operation::DropRequest), 1u);

    // Called anyway, the host refuses the stale handles without counting.
    EXPECT_EQ(direct<zrx::op::FetchRow>(s.cur, zrx::slot::FetchRow, s.cur.id, s.cur.obj, s.out), 2);
    EXPECT_EQ(direct<zrx::op::NoArgs>(s.req, zrx::slot::CloseRequest, s.req.id, s.req.obj), 2);
    EXPECT_EQ(direct<zrx::op::NoArgs>(s.req, zrx::slot::DropRequest, s.req.id, s.req.obj), 2);
    EXPECT_EQ(calls(Operation::FetchRow), 1u);
    EXPECT_EQ(calls(Operation::CloseRequest), 0u);
    EXPECT_EQ(calls(Operation::DropRequest), 1u);
}

TEST_F(HostOps, DroppedPlanCannotBeDroppedAgainNorRequested) {
    Statement s;
    ASSERT_EQ(plan(s, hosttest::summaryText()), 0);
    ASSERT_EQ(zrx::DropPlan(s.plan), 0);
    EXPECT_EQ(zrx::DropPlan(s.plan), 2);
    EXPECT_EQ(direct<zrx::op::NoArgs>(s.plan, zrx::slot::DropPlan, s.plan.id, s.plan.obj), 2);
    EXPECT_EQ(calls(Operation::DropPlan), 1u);

    // The path is sound, so the call is counted; the plan in its list is not.
    EXPECT_EQ(request(s), 2);
    EXPECT_EQ(calls(Operation::CreateRequest), 1u);
    EXPECT_EQ(session->live().requests, 0);
    EXPECT_EQ(s.req.obj, nullptr);
}

TEST_F(HostOps, ForeignHandlesAreRefused) {
    Statement mine;
    opened(mine);

    // A plan of another session in this session's request.
    auto other = fx.session();
    ASSERT_EQ(other->start(), 0);
    auto* ow = static_cast<zrx::workA*>(other->workArea());
    Statement theirs;
    {
        host::Session::CallScope theyCall(*other);
        ASSERT_EQ(zrx::CreateAccessPlan(ow->pathHdl, hosttest::summaryText().c_str(), &theirs.plan), 0);
        // While the other session calls, this session's handles are foreign.
        EXPECT_EQ(zrx::DropPlan(mine.plan), 2);
        EXPECT_EQ(zrx::FetchRow(mine.cur, mine.out), 2);
    }
    EXPECT_EQ(zrx::CreateRequest(w->pathHdl, &theirs.req, 1, &theirs.plan, &theirs.list), 2);
    EXPECT_EQ(session->live().requests, 1);
    EXPECT_EQ(session->live().plans, 1);
    EXPECT_EQ(other->live().requests, 0);

    // A forged object that copies a live plan's check value and descriptor
    // passes the module's check but not the host's.
    zrx::HostObject forged = *mine.plan.obj;
    const zrx::HostHandle fake{mine.plan.id, &forged};
    EXPECT_EQ(zrx::DropPlan(fake), 2);
    EXPECT_EQ(calls(Operation::DropPlan), 0u);
    EXPECT_EQ(session->live().plans, 1);

    // A cursor handed to the request's operations, and a live object with
    // another id.
    EXPECT_EQ(direct<zrx::op::NoArgs>(mine.req, zrx::slot::DropRequest, mine.cur.id, mine.cur.obj), 2);
    EXPECT_EQ(direct<zrx::op::FetchRow>(mine.cur, zrx::slot::FetchRow, mine.cur.id ^ 1u, mine.cur.obj, mine.out), 2);
    EXPECT_EQ(session->live().cursors, 1);
    EXPECT_EQ(other->end(), 0);
}

TEST_F(HostOps, ArgumentsOfAnotherObjectAreRefused) {
    Statement a, b;
    opened(a);
    requested(b);
    EXPECT_EQ(zrx::OpenRequest(b.req, a.in), host::status::badArgument);
    EXPECT_EQ(zrx::OpenRequest(b.req, nullptr), host::status::badArgument);
    ASSERT_EQ(open(b), 0);
    ASSERT_EQ(output(b), 0);
    EXPECT_EQ(zrx::FetchRow(b.cur, a.out), host::status::badArgument);
    EXPECT_EQ(zrx::FetchRow(b.cur, nullptr), host::status::badArgument);
    EXPECT_EQ(fetch(b), 0);

    Statement c;
    c.plan = a.plan;
    zrx::HostHandle plans[2] = {a.plan, a.plan};
    EXPECT_EQ(zrx::CreateRequest(w->pathHdl, &c.req, 2, plans, &c.list), host::status::badArgument);
    EXPECT_EQ(zrx::CreateRequest(w->pathHdl, &c.req, 1, plans, nullptr), host::status::badArgument);
    zrx::HostHandle* noList = nullptr;
    EXPECT_EQ(zrx::CreateRequest(w->pathHdl, &c.req, 1, plans, &noList), host::status::badArgument);
    EXPECT_EQ(zrx::CreateAccessPlan(w->pathHdl, nullptr, &c.plan), host::status::badArgument);
    EXPECT_EQ(zrx::CreateAccessPlan(w->pathHdl, "SELECT", nullptr), host::status::badArgument);
    EXPECT_EQ(session->live().requests, 2);
    EXPECT_EQ(session->live().plans, 2);
}

TEST_F(HostOps, OperationsOutOfTurnAreRefused) {
    Statement s;
    requested(s);
    EXPECT_EQ(output(s), host::status::wrongState);
    EXPECT_EQ(zrx::CloseRequest(s.req), host::status::wrongState);
    ASSERT_EQ(open(s), 0);
    EXPECT_EQ(open(s), host::status::wrongState);
    EXPECT_EQ(fetch(s), host::status::wrongState); // no SQLDA handed out yet
    ASSERT_EQ(output(s), 0);
    ASSERT_EQ(zrx::CloseRequest(s.req), 0);
    EXPECT_EQ(fetch(s), host::status::wrongState);

    Statement early;
    ASSERT_EQ(plan(early, hosttest::summaryText()), 0);
    ASSERT_EQ(request(early), 0);
    EXPECT_EQ(zrx::OpenRequest(early.req, s.in), host::status::badArgument); // before GetInputSQLDA
}

TEST_F(HostOps, RefusedStatementsGetAStatusAndAMessage) {
    Statement s;
    EXPECT_EQ(plan(s, "SELECT INODESTS.NOPE FROM Q7SRV.INODESTS"), host::status::sqlRefused);
    EXPECT_EQ(plan(s, hosttest::withArg(zrx::sqltext::mxcfsysQuery, "NOWHERE")), host::status::sqlRefused);
    EXPECT_EQ(session->live().plans, 0);
    EXPECT_NE(log.find("CreateAccessPlan refused: unknown column INODESTS.NOPE at offset 7\n"
                       "  statement: SELECT INODESTS.NOPE FROM Q7SRV.INODESTS\n"),
              std::string::npos);
    EXPECT_NE(log.find("node \"NOWHERE\" is not known to this data server"), std::string::npos);
    EXPECT_EQ(fx.host().statements().size(), 2u);
}

TEST_F(HostOps, SessionReleaseEndsWhatTheModuleLeftOpen) {
    Statement s;
    opened(s);
    ASSERT_EQ(fetch(s), 0);
    EXPECT_EQ(session->live().cursors, 1);
    // The session end entry drops nothing it did not prepare through its
    // slots; the host releases the rest.
    EXPECT_EQ(session->end(), 0);
    EXPECT_EQ(session->liveAtEnd().paths, 0);
    EXPECT_EQ(session->liveAtEnd().requests, 1);
    EXPECT_FALSE(session->live().any());
    EXPECT_EQ(session->storageOutstanding(), 0u);
}

} // namespace
