// Storage and objects of ended sessions handed out again: filled afresh or
// made new, bounded, and kept nowhere when the address sanitizer must see
// them freed; and a host may keep no statement log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/session_objects.h"
#include "core/session_run.h"
#include "host_ops_fixture.h"
#include "scenarios/texts.h"
#include "support/host_fixture.h"

namespace {

TEST(StoragePool, ABlockOfAnEndedSessionComesBackFilledAfresh) {
    zrxtest::HostFixture fx;
    void* first = nullptr;
    {
        auto s = fx.session();
        ASSERT_EQ(s->allocate(4096, &first), 0);
        std::fill_n(static_cast<unsigned char*>(first), 4096, 0x11);
    }
    EXPECT_EQ(fx.host().storagePooled(), std::min<size_t>(4096, host::Host::storagePoolCapacity));
    auto s = fx.session();
    void* second = nullptr;
    ASSERT_EQ(s->allocate(4096, &second), 0);
    const auto* bytes = static_cast<const unsigned char*>(second);
    EXPECT_TRUE(std::all_of(bytes, bytes + 4096, [](unsigned char b) { return b == 0xA5; }))
        << "nothing of the session before shows";
    if (host::Host::storagePoolCapacity > 0) {
        EXPECT_EQ(second, first);
    }
    EXPECT_EQ(fx.host().storagePooled(), 0u);
    EXPECT_EQ(fx.host().storageOutstanding(), 4096u);
}

TEST(StoragePool, KeepsNoMoreThanItsCapacity) {
    zrxtest::HostFixture fx;
    const size_t block = 1 << 20;
    {
        auto s = fx.session();
        for (size_t i = 0; i < 8; ++i) {
            void* p = nullptr;
            ASSERT_EQ(s->allocate(static_cast<int32_t>(block), &p), 0);
        }
    }
    EXPECT_LE(fx.host().storagePooled(), host::Host::storagePoolCapacity);
    EXPECT_EQ(fx.host().storagePooled() % block, 0u);
}

TEST(StoragePool, WholeQueriesGiveTheSameRowsSessionAfterSession) {
    zrxtest::HostFixture fx(scenarios::demoEnterpriseSql());
    const zrxtest::QueryRun first = fx.run(zrxtest::HostFixture::report());
    ASSERT_EQ(first.finalStatus(), zrx::entry::noMoreRows);
    for (int i = 0; i < 3; ++i) {
        const zrxtest::QueryRun again = fx.run(zrxtest::HostFixture::report());
        ASSERT_EQ(again.rows.size(), first.rows.size());
        for (size_t r = 0; r < first.rows.size(); ++r) {
            zrx::MentrenqRow a = first.rows[r], b = again.rows[r];
            a.padding = b.padding = 0;
            EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "session " << i << ", row " << r;
        }
        EXPECT_EQ(fx.host().storageOutstanding(), 0u);
    }
}

using hosttest::HostOps;
using hosttest::Statement;
using hosttest::direct;

std::string cell(const zrx::SQLDA* out, size_t column) {
    const zrx::SqlColumn* c = zrx::sqldaColumn(out, column);
    std::string text(static_cast<const char*>(c->data), static_cast<size_t>(c->length));
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// The next session's plan, request and cursor may be the very objects of
// the last one: they answer their own statement, from their first row, and
// the handles of the session before fail the host's check on them.
TEST_F(HostOps, ObjectsOfAnEndedSessionServeTheNextAndItsHandlesFailThere) {
    Statement old;
    opened(old);
    ASSERT_EQ(fetch(old), 0);
    ASSERT_EQ(session->end(), 0);
    const size_t kept = std::min<size_t>(1, host::Host::recycledPerKind);
    for (auto kind : {host::ObjectKind::Plan, host::ObjectKind::Request, host::ObjectKind::Cursor})
        EXPECT_EQ(fx.host().recycled(kind), kept) << host::objectKindName(kind);

    scope.reset();
    session = fx.session();
    ASSERT_EQ(session->start(), 0);
    scope.emplace(*session);
    w = static_cast<zrx::workA*>(session->workArea());
    Statement now;
    opened(now, hosttest::membersText());
    if (kept > 0) {
        EXPECT_EQ(now.cur.obj, old.cur.obj);
        EXPECT_EQ(now.plan.obj, old.plan.obj);
    }
    EXPECT_EQ(direct<zrx::op::FetchRow>(now.cur, zrx::slot::FetchRow, old.cur.id, old.cur.obj, now.out), 2);
    EXPECT_EQ(direct<zrx::op::NoArgs>(now.req, zrx::slot::CloseRequest, old.req.id, old.req.obj), 2);
    EXPECT_EQ(direct<zrx::op::NoArgs>(now.plan, zrx::slot::DropPlan, old.plan.id, old.plan.obj), 2);
    EXPECT_EQ(now.out->count, 7) << "the members' SQLDA, not the summary's";
    std::vector<std::string> systems;
    while (fetch(now) == 0) systems.push_back(cell(now.out, 0));
    EXPECT_EQ(systems, (std::vector<std::string>{"SYSA", "SYSB"}));
    ASSERT_EQ(session->end(), 0);
    EXPECT_EQ(fx.host().recycled(host::ObjectKind::Cursor), kept);
}

TEST(StatementLog, AHostMayKeepNone) {
    zrxtest::HostFixture fx(scenarios::demoEnterpriseSql());
    fx.run(zrxtest::HostFixture::report());
    const size_t logged = fx.host().statements().size();
    EXPECT_GT(logged, 0u);
    fx.host().keepStatements(false);
    fx.run(zrxtest::HostFixture::report());
    EXPECT_EQ(fx.host().statements().size(), logged);
    fx.host().keepStatements(true);
    fx.run(zrxtest::HostFixture::report());
    EXPECT_EQ(fx.host().statements().size(), 2 * logged);
}

} // namespace
