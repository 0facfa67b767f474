// On the 32-bit platform the module asks the host for storage of exactly the
// documented record sizes: the work area, a summary row and a detail row
// (beside the AT clause of each PlexHub query, 32 + 35 bytes).
// The host holds it to a byte budget, so one byte more or less shows. Other
// platforms ask for their records' own sizes.
#include <gtest/gtest.h>

#include <string>

#include "support/enterprise_builder.h"
#include "support/host_fixture.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;
using zrx::entry::viewAbandoned;

namespace {

using zrxtest::EnterpriseBuilder;
using zrxtest::HostFixture;

constexpr uint64_t workAreaBytes = 64424;
constexpr uint64_t summaryRowBytes = 296;
constexpr uint64_t detailRowBytes = 80;
constexpr uint64_t atClauseBytes = 32 + 35;
constexpr uint64_t rowIndexBytes = 262180;

static_assert(sizeof(void*) == 4, "tests/platform32 is built for the 32-bit platform only");

class StorageSizes32 : public ::testing::Test {
protected:
    // One PlexHub with one System reporting one resource with an owner and
    // a waiter: one summary row and two detail rows.
    static std::string oneResource() {
        return EnterpriseBuilder()
            .plexHub("HUBA:CMS", "THRUA")
            .member("THRUA", "SYSA", "PLEXA")
            .summary("THRUA", {"SYSDSN", "PAYROLL.MASTER", "JOBOWN", "", "SYSA"})
            .summary("THRUA", {"SYSDSN", "PAYROLL.MASTER", "", "JOBWAIT", "SYSA"})
            .sql();
    }
};

TEST_F(StorageSizes32, SessionStartAsksForExactlyTheWorkArea) {
    HostFixture fx;
    auto fits = fx.session({}, host::SessionOptions{{}, "SRVR01:CMS", workAreaBytes});
    EXPECT_EQ(fits->start(), 0);
    EXPECT_EQ(fits->storageOutstanding(), workAreaBytes);
    EXPECT_EQ(fits->end(), 0);

    auto short1 = fx.session({}, host::SessionOptions{{}, "SRVR01:CMS", workAreaBytes - 1});
    EXPECT_EQ(short1->start(), 64);
    EXPECT_EQ(short1->storageOutstanding(), 0u);
    EXPECT_EQ(short1->end(), viewAbandoned);
}

TEST_F(StorageSizes32, ReportQueryAsksForOneSummaryAndTwoDetailRowsAndTheAtClause) {
    HostFixture fx(oneResource());
    auto run = fx.run(HostFixture::report());
    ASSERT_EQ(run.start, 0);
    ASSERT_EQ(run.rows.size(), 1u);
    EXPECT_EQ(run.rows[0].owntaskct, 1);
    EXPECT_EQ(run.rows[0].waittaskct, 1);

    auto s = fx.session(HostFixture::report());
    ASSERT_EQ(s->start(), 0);
    ASSERT_EQ(s->request(), 0);
    EXPECT_EQ(s->storageOutstanding(),
              workAreaBytes + atClauseBytes + summaryRowBytes + 2 * detailRowBytes);
    EXPECT_EQ(s->end(), 0);
}

// The index is asked for after the merge of the 34th resource, whose walk
// passed 32 summary rows; it takes exactly its block, and the rows the host
// then has no room for come out of that block.
TEST_F(StorageSizes32, TheRowIndexTakesItsBlockAndGivesItBackAsRows) {
    EnterpriseBuilder b;
    b.plexHub("HUBA:CMS", "THRUA").member("THRUA", "SYSA", "PLEXA");
    for (int i = 1; i <= 40; ++i)
        b.summary("THRUA", {"SYSDSN", "RESOURCE." + std::to_string(i), "", "JOBWAIT", "SYSA"});
    HostFixture fx(b.sql());
    const uint64_t rowPair = summaryRowBytes + detailRowBytes;
    const uint64_t beforeIndex = workAreaBytes + atClauseBytes + 34 * rowPair;
    const uint64_t need = workAreaBytes + atClauseBytes + 40 * rowPair;
    for (uint64_t budget : {beforeIndex + rowIndexBytes - 1, beforeIndex + rowIndexBytes}) {
        auto s = fx.session(HostFixture::report(), host::SessionOptions{{}, "SRVR01:CMS", budget});
        uint64_t held = 0;
        host::RunHooks hooks;
        hooks.beforeEnd = [&](host::Session& session) { held = session.storageOutstanding(); };
        const host::SessionRun run = host::runSession(*s, {}, hooks);
        ASSERT_EQ(run.start, 0);
        EXPECT_EQ(run.last(), noMoreRows);
        EXPECT_EQ(run.rows.size(), 40u);
        EXPECT_EQ(held, budget < beforeIndex + rowIndexBytes ? need : budget);
        EXPECT_EQ(run.end, 0);
    }
}

} // namespace
