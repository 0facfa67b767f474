// Configuration discovery driven directly on the work area of a real
// session: the host answers from a small snapshot, the trace is recorded.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/discovery.h"
#include "frame/work_area.h"
#include "support/enterprise_builder.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"

namespace configtest {

using zrxtest::EnterpriseBuilder;

using zrxtest::field;

// A fixed-width field over its full width.
template <size_t N>
std::string field(const char (&f)[N]) {
    return std::string(f, N);
}

// `n` blanks.
inline std::string blanks(size_t n) { return std::string(n, ' '); }

class Discovery : public ::testing::Test {
protected:
    // A session on a snapshot made of `enterprise`, started, with its work
    // area at hand; trace recorded at `levels`.
    void open(const EnterpriseBuilder& enterprise, const std::string& levels = "all") {
        // The previous recorder, if any, leaves the facility before the new
        // one installs itself.
        w = nullptr;
        scope.reset();
        session.reset();
        fx.reset();
        trace.reset();
        trace = std::make_unique<zrxtest::TraceRecorder>(levels);
        fx = std::make_unique<zrxtest::HostFixture>(enterprise.sql());
        session = fx->session();
        ASSERT_EQ(session->start(), 0);
        scope.emplace(*session); // the tests call the module's routines as its entries would
        w = static_cast<zrx::workA*>(session->workArea());
        ASSERT_NE(w, nullptr);
        trace->clear();
    }

    int32_t discover(const EnterpriseBuilder& enterprise, const std::string& levels = "all") {
        open(enterprise, levels);
        if (!w) return -1;
        return zrx::FigConfig(w);
    }

    const zrx::EnqplxEntry& entry(int i) const { return w->Enqplxs[i]; }
    const std::vector<std::string>& statements() const { return fx->host().statements(); }
    std::vector<std::string> linesOf(const char* routine) const { return trace->linesOf(routine); }
    host::FaultPlan& faults() { return host::faults(fx->host()); }

    std::unique_ptr<zrxtest::TraceRecorder> trace;
    std::unique_ptr<zrxtest::HostFixture> fx;
    std::unique_ptr<host::Session> session;
    std::optional<host::Session::CallScope> scope;
    zrx::workA* w = nullptr;
};

} // namespace configtest
