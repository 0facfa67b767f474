// One process runs report sessions back to back on the largest enterprise
// the view can register: 8 Enqplexes of 64 Systems each, with contention up
// to near the 10000-row limit. After every session the host's storage is
// back to zero and nothing is open; the time per session does not grow.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <numeric>

#include "scenarios/generator.h"
#include "support/host_fixture.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

#ifndef ZRX_LOAD_SESSIONS
#define ZRX_LOAD_SESSIONS 200
#endif

namespace {

using Clock = std::chrono::steady_clock;

scenarios::GeneratorOptions largestEnterprise() {
    scenarios::GeneratorOptions o;
    o.enqplexes = scenarios::maxEnqplexes;
    o.sysplexes = 8;
    o.systems = 8;
    o.resources = 250;
    o.tasks = 3;
    o.seed = 200;
    return o;
}

double mean(const std::vector<double>& v, size_t from, size_t to) {
    return std::accumulate(v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(to), 0.0) /
           static_cast<double>(to - from);
}

TEST(Load, SessionsBackToBackReleaseEverythingAndKeepTheirPace) {
    const auto options = largestEnterprise();
    const auto figures = scenarios::describe(options);
    ASSERT_EQ(figures.systems, 8 * 64);
    zrxtest::HostFixture fx(scenarios::generateEnterpriseSql(options));

    const int sessions = ZRX_LOAD_SESSIONS;
    std::vector<double> millis;
    size_t firstRows = 0;
    uint64_t firstStatements = 0;
    for (int i = 0; i < sessions; ++i) {
        fx.host().clearStatements();
        const auto begin = Clock::now();
        const zrxtest::QueryRun run = fx.run(zrxtest::HostFixture::report());
        millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());

        ASSERT_EQ(run.start, 0);
        ASSERT_EQ(run.last(), noMoreRows) << "session " << i;
        ASSERT_EQ(run.end, 0);
        ASSERT_FALSE(run.liveAtEnd.any()) << "session " << i;
        ASSERT_EQ(run.storageAfterRelease, 0u);
        ASSERT_EQ(fx.host().storageOutstanding(), 0u) << "session " << i;
        // Every session gives the same answer from the same work.
        if (i == 0) {
            firstRows = run.rows.size();
            firstStatements = fx.host().statements().size();
            ASSERT_GT(firstRows, 1500u);
        }
        ASSERT_EQ(run.rows.size(), firstRows);
        ASSERT_EQ(fx.host().statements().size(), firstStatements);
    }

    const size_t quarter = static_cast<size_t>(sessions) / 4;
    const double first = mean(millis, 0, quarter);
    const double last = mean(millis, millis.size() - quarter, millis.size());
    std::cout << "[ load     ] " << sessions << " sessions of " << firstRows << " rows and "
              << firstStatements << " statements each; mean ms per session: first " << quarter
              << " " << first << ", last " << quarter << " " << last << ", storage handed out "
              << fx.host().storageHandedOut() << " bytes, outstanding "
              << fx.host().storageOutstanding() << "\n";
    // Stable: the last sessions are not slower than the first by more than
    // the noise of a shared machine.
    EXPECT_LT(last, first * 1.5 + 5.0);
}

} // namespace
