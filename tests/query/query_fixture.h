// A started session on a small enterprise, with queries defined in the work
// area's SQL slots the way the collection and the discovery define them.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "core/session.h"
#include "frame/work_area.h"
#include "query/sql_layer.h"
#include "query/sql_texts.h"
#include "support/enterprise_builder.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"

namespace querytest {

// One PlexHub reached through PLXATHRU and one System agent reached through
// SYSATHRU; tables are filled by each test.
inline zrxtest::EnterpriseBuilder baseEnterprise() {
    zrxtest::EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "PLXATHRU").agent("SYSA:AGENT", "SYSATHRU");
    return b;
}

// The MGLBLENQ summary query at a PlexHub's thru-node, without WHERE.
inline std::string summaryFormat() {
    return std::string(zrx::sqltext::mglblenqSelect) + zrx::sqltext::mglblenqFrom +
           zrx::sqltext::mglblenqAt + ";";
}

// The ENQ_RESRC/ENQ_TASKS detail statement for one resource.
inline std::string detailFormat(const std::string& major, const std::string& minor) {
    using namespace zrx::sqltext;
    return std::string(detailPrefix) + "(" + detailMajor + major + detailAnd + detailMinor + minor +
           detailClose + detailTail;
}

class QueryFixture : public ::testing::Test {
protected:
    void startOn(const zrxtest::EnterpriseBuilder& enterprise) {
        fx = std::make_unique<zrxtest::HostFixture>(enterprise.sql());
        session = fx->session();
        ASSERT_EQ(session->start(), 0);
        scope.emplace(*session); // the tests call the module's routines as its entries would
        w = static_cast<zrx::workA*>(session->workArea());
        ASSERT_NE(w, nullptr);
        std::memcpy(zrx::curNode(w), "PLXA    ", 8);
    }

    // Frees both slots and defines `table` in slot 0 as the only query.
    void defineOnly(const char* table, const std::string& format, const char* arg, int32_t colCnt) {
        zrx::resetQueries(w);
        defineHere(table, format, arg, colCnt);
    }

    // Frees both slots, defines `table` in slot 0 as an outer query and
    // moves on to slot 1.
    void defineOuter(const char* table, const std::string& format, const char* arg, int32_t colCnt) {
        zrx::resetQueries(w);
        int32_t n = defineHere(table, format, arg, colCnt);
        ASSERT_GE(n, 0);
        w->sqlPtr += n + 1;
        w->curSQLslot = 1;
    }

    // Defines `table` in the slot being defined, its text at sqlPtr.
    int32_t defineHere(const char* table, const std::string& format, const char* arg, int32_t colCnt) {
        zrx::defineQuery(w, table);
        int32_t n = zrx::writeQueryText(w, format.c_str(), arg);
        w->SQLtbl[w->curSQLslot].colCnt = colCnt;
        return n;
    }

    void definePlexHubs() { defineOuter("INODESTS", zrx::sqltext::plexHubQuery, "10000000", 2); }
    void defineMembers() { defineHere("MXCFSYS", zrx::sqltext::mxcfsysQuery, "PLXATHRU", 7); }
    void defineSummary() { defineOnly("MGLBLENQ", summaryFormat(), "PLXATHRU", 15); }
    void defineDetail(const std::string& major, const std::string& minor) {
        defineOnly("ENQSTUFF", detailFormat(major, minor), "SYSATHRU", 10);
    }

    host::FaultPlan& faults() { return host::faults(fx->host()); }
    host::LiveObjects live() { return session->live(); }
    uint64_t calls(host::Operation op) { return faults().calls(op); }
    zrx::SqlSlot& slot(int i) { return w->SQLtbl[i]; }

    zrxtest::TraceRecorder trace{"all"};
    std::unique_ptr<zrxtest::HostFixture> fx;
    std::unique_ptr<host::Session> session;
    std::optional<host::Session::CallScope> scope;
    zrx::workA* w = nullptr;
};

// Bytes as two upper-case hex digits each, in memory order.
inline std::string hex(const void* bytes, size_t n) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    const auto* b = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < n; ++i) {
        out += digits[b[i] >> 4];
        out += digits[b[i] & 15];
    }
    return out;
}

// A handle as the trace shows it: its id's bytes, then its object's.
inline std::string hex(const zrx::HostHandle& h) { return hex(&h.id, sizeof h.id) + hex(&h.obj, sizeof h.obj); }

} // namespace querytest
