// Every host call fails once: for each operation and each N until a run
// injects nothing, the N-th call of that operation returns a failure status;
// for each kind of host object and each N, the N-th handle of that kind
// fails its check. Every run must end with documented statuses, never with a
// wrong row, and leave nothing open and no storage behind.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <map>
#include <sstream>

#include "core/operations.h"
#include "reliability_harness.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;
using zrx::entry::viewAbandoned;

namespace reliability {
namespace {

using host::ObjectKind;
using host::Operation;

// Not a status the host gives for anything else, so a run that returns it
// from an entry has passed a host status through.
constexpr int32_t injectedStatus = 99;

constexpr ObjectKind allKinds[] = {ObjectKind::RequestBlock, ObjectKind::Storage, ObjectKind::Path,
                                   ObjectKind::Plan,         ObjectKind::Request, ObjectKind::Cursor};

struct FaultPoint {
    bool handle = false;
    Operation op = Operation::GetRequestItem;
    ObjectKind kind = ObjectKind::RequestBlock;
    uint64_t nth = 0;

    std::string name() const {
        std::ostringstream s;
        if (handle)
            s << "handle " << objectKindName(kind) << " #" << nth << " fails its check";
        else
            s << operationName(op) << " call #" << nth << " returns " << injectedStatus;
        return s.str();
    }
    void arm(host::FaultPlan& plan) const {
        if (handle)
            plan.failHandle(kind, nth);
        else
            plan.failCall(op, nth, injectedStatus);
    }
    bool callOf(Operation o) const { return !handle && op == o; }
    bool handleOf(ObjectKind k) const { return handle && kind == k; }
};

// What the session may leave open because the fault itself kept the module
// from dropping it: a failed drop, or a handle that fails its check.
host::LiveObjects mayStayOpen(const FaultPoint& f) {
    host::LiveObjects allowed;
    if (f.callOf(Operation::DropPath) || f.handleOf(ObjectKind::Path)) allowed.paths = 1;
    if (f.callOf(Operation::DropPlan) || f.handleOf(ObjectKind::Plan)) allowed.plans = 1;
    if (f.callOf(Operation::DropRequest) || f.handleOf(ObjectKind::Request)) {
        // The host drops a request's cursor with the request.
        allowed.requests = 1;
        allowed.cursors = 1;
    }
    return allowed;
}

// The rows a run must have handed over so far when `f` took effect: the
// fault-free rows, less the one whose PutRequestItem failed (the start's
// PutRequestItem is call 1, row k's is call k + 1).
std::vector<zrx::MentrenqRow> expectedRows(const FaultPoint& f, std::vector<zrx::MentrenqRow> clean) {
    if (f.callOf(Operation::PutRequestItem) && f.nth >= 2 && f.nth - 2 < clean.size())
        clean.erase(clean.begin() + static_cast<long>(f.nth - 2));
    return clean;
}

bool isPrefix(const std::vector<zrx::MentrenqRow>& part, const std::vector<zrx::MentrenqRow>& whole) {
    if (part.size() > whole.size()) return false;
    for (size_t i = 0; i < part.size(); ++i)
        if (std::memcmp(&part[i], &whole[i], sizeof part[i]) != 0) return false;
    return true;
}

void expectSound(const FaultPoint& f, const Outcome& clean, const Outcome& o) {
    SCOPED_TRACE(f.name() + ": " + describe(o));
    EXPECT_TRUE(zrx::entry::startResult(o.start));
    for (size_t i = 0; i < o.requests.size(); ++i) EXPECT_TRUE(zrx::entry::requestResult(o.requests[i]));
    EXPECT_TRUE(zrx::entry::endResult(o.end));

    const auto expected = expectedRows(f, clean.rows);
    // A status 0 from the start, or 62 at the end, says the query is whole.
    if (o.start == 0 && o.injectedBeforeRequests > 0) {
        EXPECT_EQ(o.last(), noMoreRows) << "the start hid a fault that mattered";
    }
    if (o.last() == noMoreRows) {
        EXPECT_TRUE(sameRows(o.rows, expected)) << "the query ended as complete with other rows";
    } else {
        // Whatever ended the query, no wrong row went out before it.
        EXPECT_TRUE(isPrefix(o.rows, expected)) << "a row differs from the fault-free rows";
    }

    // A session end that found its work area dropped everything it could.
    if (o.end == 0 || o.end == viewAbandoned) {
        const host::LiveObjects allowed = mayStayOpen(f);
        EXPECT_LE(o.liveAtEnd.paths, allowed.paths);
        EXPECT_LE(o.liveAtEnd.plans, allowed.plans);
        EXPECT_LE(o.liveAtEnd.requests, allowed.requests);
        EXPECT_LE(o.liveAtEnd.cursors, allowed.cursors);
    } else {
        // 60: the end's own request block failed, so nothing could be found;
        // only a fault at the end itself may do that.
        EXPECT_TRUE(f.callOf(Operation::GetRequestItem) || f.handleOf(ObjectKind::RequestBlock));
    }
    EXPECT_EQ(o.hostStorageOutstanding, 0u);
}

struct SweepCount {
    size_t points = 0;
    size_t completed = 0;             // runs that still ended with 62
    std::map<std::string, size_t> by; // fault points per operation or handle kind

    std::string perKind() const {
        std::ostringstream s;
        for (const auto& [name, n] : by) s << " " << name << " " << n << ";";
        return s.str();
    }
};

SweepCount sweep(Enterprise& e, const std::vector<host::Predicate>& predicates, const Outcome& clean) {
    SweepCount count;
    auto sweepPoints = [&](FaultPoint f, std::string name) {
        for (f.nth = 1;; ++f.nth) {
            Outcome o = e.run(predicates, [&](host::FaultPlan& p) { f.arm(p); });
            if (o.injected == 0) break;
            ++count.points;
            ++count.by[name];
            if (o.last() == noMoreRows) ++count.completed;
            expectSound(f, clean, o);
        }
    };
    for (Operation op : host::allOperations) {
        FaultPoint f;
        f.op = op;
        sweepPoints(f, std::string(operationName(op)));
    }
    for (ObjectKind kind : allKinds) {
        FaultPoint f;
        f.handle = true;
        f.kind = kind;
        sweepPoints(f, "handle " + std::string(objectKindName(kind)));
    }
    // Every operation and every kind of handle was reached.
    EXPECT_EQ(count.by.size(), host::operationCount + std::size(allKinds)) << count.perKind();
    return count;
}

Outcome cleanRun(Enterprise& e, const std::vector<host::Predicate>& predicates) {
    Outcome o = e.run(predicates);
    EXPECT_EQ(o.start, 0);
    EXPECT_EQ(o.last(), noMoreRows);
    EXPECT_EQ(o.end, 0);
    EXPECT_FALSE(o.liveAtEnd.any());
    EXPECT_EQ(o.hostStorageOutstanding, 0u);
    return o;
}

void sweepEnterprise(Enterprise& e, const std::string& phaseTwoEnqplex) {
    const auto report = zrxtest::HostFixture::report();
    const Outcome cleanReport = cleanRun(e, report);
    ASSERT_GE(cleanReport.rows.size(), 5u);
    const auto resource = Enterprise::resourceOf(cleanReport.rows, phaseTwoEnqplex);
    const Outcome cleanResource = cleanRun(e, resource);
    ASSERT_GE(cleanResource.rows.size(), 2u);

    const SweepCount r = sweep(e, report, cleanReport);
    const SweepCount d = sweep(e, resource, cleanResource);
    std::cout << "[ sweep    ] " << e.name() << ", report query (" << cleanReport.rows.size()
              << " rows): " << r.points << " fault points, " << r.completed
              << " still complete;" << r.perKind() << "\n"
              << "[ sweep    ] " << e.name() << ", single-resource query ("
              << cleanResource.rows.size() << " rows): " << d.points << " fault points, "
              << d.completed << " still complete;" << d.perKind() << "\n"
              << "[ sweep    ] " << e.name() << ": " << r.points + d.points
              << " fault points swept\n";
}

TEST(FaultSweep, DemoEnterpriseSurvivesEveryFailedCallAndHandle) {
    // With every trace line formatted, dumps of half-built rows included.
    AllTraceLevels trace;
    Enterprise e("demo enterprise", demoSql());
    sweepEnterprise(e, "PRODENQ");
}

TEST(FaultSweep, GeneratedEnterpriseSurvivesEveryFailedCallAndHandle) {
    Enterprise e("generated enterprise", sweepEnterpriseSql());
    sweepEnterprise(e, "ENQPLEX2");
}

} // namespace
} // namespace reliability
