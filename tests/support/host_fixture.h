// A data server on an in-memory snapshot with the module linked in (or the
// real ZRX.so loaded), running queries the way the data server does.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/data_source.h"
#include "core/host.h"
#include "core/module.h"
#include "core/session.h"
#include "core/session_run.h"
#include "sql/snapshot.h"
#include "testing/fault_plan.h"
#include "support/fixed_width.h"
#include "zrx/mentrenq_row.h"

namespace zrx {
struct workA;
}

namespace zrxtest {

// What one whole query did.
using QueryRun = host::SessionRun;

class HostFixture {
public:
    // An in-memory snapshot filled with `scenario` (INSERTs); the linked
    // module, or the module file when `moduleFile` is given, run in a
    // module host process started as `moduleHost` when that is given.
    explicit HostFixture(std::string_view scenario = "", const std::string& moduleFile = "",
                         const std::string& moduleHost = "");

    host::sql::Snapshot& snapshot() { return *snapshot_; }
    host::Host& host() { return host_; }
    // The host's fault plan, installed with the fixture so that it counts
    // every call.
    host::FaultPlan& faults() { return host::faults(host_); }
    const host::Module& module() const { return *module_; }

    std::unique_ptr<host::Session> session(std::vector<host::Predicate> predicates = {},
                                           host::SessionOptions options = {});

    // Start, request until the module stops (or `maxCalls`), end.
    QueryRun run(std::vector<host::Predicate> predicates, host::SessionOptions options = {},
                 int maxCalls = 10000);

    // The predicates of a report query and of a single-resource query.
    static std::vector<host::Predicate> report();
    static std::vector<host::Predicate> resource(const std::string& major, const std::string& minor,
                                                 const std::string& enqplex);

private:
    std::unique_ptr<host::sql::Snapshot> snapshot_;
    std::unique_ptr<host::SnapshotSource> source_;
    host::Host host_;
    std::unique_ptr<host::Module> module_;
};

// A started session of the linked module whose work area a test drives
// directly; the session ends with the object.
struct StartedSession {
    explicit StartedSession(std::string_view scenario = "", host::SessionOptions options = {});
    ~StartedSession();
    StartedSession(const StartedSession&) = delete;
    StartedSession& operator=(const StartedSession&) = delete;

    HostFixture fx;
    std::unique_ptr<host::Session> session;
    // The test calls module routines, and through them the host's services,
    // as the module would inside an entry.
    std::optional<host::Session::CallScope> scope;
    zrx::workA* w = nullptr;
};

// The module file a suite runs on: the file named by the environment
// variable ZRX_TEST_MODULE (the 32-bit run sets it to ZRX.dll for a second
// registration of some suites, the 64-bit run to ZRX.dll under Wine or to
// ZRX.so in a module host), else `fallback` ("" for the linked module).
std::string moduleUnderTest(const std::string& fallback);

// The module host program the environment variable ZRX_TEST_MODULE_HOST
// names (the Linux zrxhost), in which the module under test runs; "" to run
// it in the test's own process (or, for a DLL on a 64-bit host, under Wine).
std::string moduleHostUnderTest();

} // namespace zrxtest
