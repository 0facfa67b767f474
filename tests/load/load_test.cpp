// One process runs report sessions back to back on the largest enterprise
// the view can register: 8 Enqplexes of 64 Systems each, with contention up
// to near the 10000-row limit. After every session the host's storage is
// back to zero and nothing is open, and every session gives the same rows
// from the same statements. (How the pace holds up over many sessions is a
// benchmark: bench/load_pace.cpp.)
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "scenarios/generator.h"
#include "support/host_fixture.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

#ifndef ZRX_LOAD_SESSIONS
#define ZRX_LOAD_SESSIONS 20
#endif

namespace {

// Every byte the composition writes; the padding byte is left as it was.
bool sameRow(const zrx::MentrenqRow& a, const zrx::MentrenqRow& b) {
    const auto* x = reinterpret_cast<const unsigned char*>(&a);
    const auto* y = reinterpret_cast<const unsigned char*>(&b);
    const size_t pad = offsetof(zrx::MentrenqRow, padding);
    return std::memcmp(x, y, pad) == 0 &&
           std::memcmp(x + pad + 1, y + pad + 1, sizeof(zrx::MentrenqRow) - pad - 1) == 0;
}

TEST(Load, SessionsBackToBackReleaseEverythingAndRepeatTheirWork) {
    const auto options = scenarios::loadEnterprise();
    const auto figures = scenarios::describe(options);
    ASSERT_EQ(figures.systems, 8 * 64);
    zrxtest::HostFixture fx(scenarios::generateEnterpriseSql(options));

    std::vector<zrx::MentrenqRow> firstRows;
    std::vector<std::string> firstStatements;
    for (int i = 0; i < ZRX_LOAD_SESSIONS; ++i) {
        fx.host().clearStatements();
        const zrxtest::QueryRun run = fx.run(zrxtest::HostFixture::report());

        ASSERT_EQ(run.start, 0);
        ASSERT_EQ(run.last(), noMoreRows) << "session " << i;
        ASSERT_EQ(run.end, 0);
        ASSERT_FALSE(run.liveAtEnd.any()) << "session " << i;
        ASSERT_EQ(run.storageAfterRelease, 0u);
        ASSERT_EQ(fx.host().storageOutstanding(), 0u) << "session " << i;
        if (i == 0) {
            firstRows = run.rows;
            firstStatements = fx.host().statements();
            ASSERT_EQ(firstRows.size(), 2000u);
            ASSERT_EQ(firstStatements.size(), 1655u);
            continue;
        }
        // Every later session gives the same answer from the same work.
        ASSERT_EQ(run.rows.size(), firstRows.size()) << "session " << i;
        for (size_t r = 0; r < firstRows.size(); ++r)
            ASSERT_TRUE(sameRow(run.rows[r], firstRows[r])) << "session " << i << ", row " << r;
        ASSERT_EQ(fx.host().statements(), firstStatements) << "session " << i;
    }
}

} // namespace
