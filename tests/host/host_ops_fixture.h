// A started session whose path serves statements that the tests plan,
// request, open and fetch themselves, through the module's handle calls or
// straight at the host's operation tables.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "core/session.h"
#include "frame/host_services.h"
#include "frame/work_area.h"
#include "query/sql_texts.h"
#include "support/enterprise_builder.h"
#include "support/host_fixture.h"

namespace hosttest {

// One PlexHub with three summary rows, the second with nulls, and two
// members.
inline std::string enterprise() {
    zrxtest::EnterpriseBuilder b;
    b.plexHub("PLXA:HUB", "PLXATHRU").agent("SYSA:AGENT", "SYSATHRU");
    b.member("PLXATHRU", "SYSA", "PLEX1").member("PLXATHRU", "SYSB", "PLEX1");
    b.raw("INSERT INTO MGLBLENQ VALUES('PLXATHRU','SYSDSN','SYS1.PARMLIB',2,3,45,'JOBOWN','','SYSA',"
          "1,1,31,120,'YES','PLXA:HUB',128);");
    b.raw("INSERT INTO MGLBLENQ VALUES('PLXATHRU','SPFEDIT',NULL,NULL,7,NULL,'','JOBWAIT','SYSB',"
          "NULL,NULL,NULL,NULL,NULL,NULL,NULL);");
    b.raw("INSERT INTO MGLBLENQ VALUES('PLXATHRU','SYSVTOC','VOL001',1,0,0,'JOBVT','','SYSA',"
          "0,0,258,-1,'YES','PLXA:HUB',0);");
    return b.sql();
}

inline std::string withArg(const std::string& format, const char* arg) {
    char text[2048];
    std::snprintf(text, sizeof text, format.c_str(), arg);
    return text;
}

inline std::string summaryText() {
    using namespace zrx::sqltext;
    return withArg(std::string(mglblenqSelect) + mglblenqFrom + mglblenqAt + ";", "PLXATHRU");
}
inline std::string membersText() { return withArg(zrx::sqltext::mxcfsysQuery, "PLXATHRU"); }

// One statement's handles and descriptors, as a slot holds them.
struct Statement {
    zrx::HostHandle plan{};
    zrx::HostHandle req{};
    zrx::HostHandle cur{};
    zrx::HostHandle* list = &cur;
    void* in = nullptr;
    zrx::SQLDA* out = nullptr;
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
};

// Calls slot `slot` of the operation table that `table`'s object leads to,
// with any (id, object): the host, not the module, judges the handle.
template <class Fn, class... Args>
int32_t direct(const zrx::HostHandle& table, int slot, uint32_t id, zrx::HostObject* obj, Args... args) {
    const auto* desc = static_cast<const zrx::DescriptorB*>(table.obj->descriptor);
    return (desc->ops->slot[slot].*zrx::slotMember<Fn>())(id, obj, args...);
}

class HostOps : public ::testing::Test {
public:
    void SetUp() override {
        session = fx.session();
        ASSERT_EQ(session->start(), 0);
        w = static_cast<zrx::workA*>(session->workArea());
        ASSERT_NE(w, nullptr);
        // The tests call the services as the module would inside an entry.
        scope.emplace(*session);
        fx.host().setLog([this](std::string_view m) { log += std::string(m) + "\n"; });
    }

    int32_t plan(Statement& s, const std::string& text) { return zrx::CreateAccessPlan(w->pathHdl, text.c_str(), &s.plan); }
    int32_t request(Statement& s) { return zrx::CreateRequest(w->pathHdl, &s.req, 1, &s.plan, &s.list); }
    int32_t input(Statement& s) { return zrx::GetInputSQLDA(s.req, &s.in); }
    int32_t open(Statement& s) { return zrx::OpenRequest(s.req, s.in); }
    int32_t output(Statement& s) { return zrx::GetOutputSQLDA(s.cur, &s.out); }
    int32_t fetch(Statement& s) { return zrx::FetchRow(s.cur, s.out); }

    // Planned, requested and given its input descriptor.
    void requested(Statement& s, const std::string& text = summaryText()) {
        ASSERT_EQ(plan(s, text), 0);
        ASSERT_EQ(request(s), 0);
        ASSERT_EQ(input(s), 0);
    }
    // All the way to an open cursor with its output SQLDA.
    void opened(Statement& s, const std::string& text = summaryText()) {
        requested(s, text);
        ASSERT_EQ(open(s), 0);
        ASSERT_EQ(output(s), 0);
        ASSERT_NE(s.out, nullptr);
    }

    host::FaultPlan& faults() { return host::faults(fx.host()); }
    uint64_t calls(host::Operation op) { return faults().calls(op); }

    zrxtest::HostFixture fx{enterprise()};
    std::unique_ptr<host::Session> session;
    std::optional<host::Session::CallScope> scope;
    zrx::workA* w = nullptr;
    std::string log;
};

} // namespace hosttest
