// The threshold ranges of a monitoring check and the verdict over one or
// several samples, without running the view.
#include <gtest/gtest.h>

#include "cli/waits_verdict.h"

namespace {

using cli::AlertRange;
using cli::CheckState;
using cli::WaitsMeasure;

AlertRange range(const std::string& text) {
    std::string error;
    auto parsed = AlertRange::parse(text, error);
    EXPECT_TRUE(parsed) << text << ": " << error;
    return parsed.value_or(*AlertRange::parse("0", error));
}

TEST(AlertRange, EachFormAlertsOutsideOrInsideItsInclusiveBounds) {
    struct Case {
        const char* range;
        double value;
        bool alerts;
    } cases[] = {
        {"300", 299, false}, {"300", 300, false}, {"300", 301, true},   {"300", 0, false},   {"300", -1, true},
        {"10:", 9, true},    {"10:", 10, false},  {"10:", 1e9, false},  {"~:10", -1e9, false}, {"~:10", 10, false},
        {"~:10", 11, true},  {"10:20", 9, true},  {"10:20", 10, false}, {"10:20", 20, false}, {"10:20", 21, true},
        {"@10:20", 9, false}, {"@10:20", 10, true}, {"@10:20", 20, true}, {"@10:20", 21, false}, {"@5", 0, true},
        {"@5", 6, false},    {"~:", 1e12, false}, {":7", 8, true},      {"1.5", 1.6, true},  {"-5:-1", 0, true},
    };
    for (const auto& c : cases) EXPECT_EQ(range(c.range).alerts(c.value), c.alerts) << c.range << " at " << c.value;
}

TEST(AlertRange, RefusesWhatIsNotARange) {
    for (const char* bad : {"", "@", "x", "10:y", "~", "20:10", "1e3", "0x10", " 5", "5 ", "10::", "inf", "--1", "1.2.3"}) {
        std::string error;
        EXPECT_FALSE(AlertRange::parse(bad, error)) << bad;
        EXPECT_NE(error.find("is not a threshold range"), std::string::npos) << error;
    }
}

WaitsMeasure sample(int64_t longest, int64_t waiters, const std::string& time = "") {
    WaitsMeasure m;
    m.time = time;
    m.longestWait = longest;
    m.waiters = waiters;
    m.resources = waiters ? 1 : 0;
    if (waiters) {
        m.hasWorst = true;
        m.enqplex = "PLEX";
        m.major = "SYSDSN";
        m.minor = "A|B";
        m.holder = "JOB";
        m.holderSystem = "SYSA";
    }
    return m;
}

WaitsMeasure failed(const std::string& time) {
    WaitsMeasure m;
    m.time = time;
    m.failure = "status 71: view abandoned";
    return m;
}

cli::WaitsThresholds thresholds() {
    cli::WaitsThresholds t;
    t.warning = range("60");
    t.critical = range("300");
    t.waitersWarning = range("5");
    t.waitersCritical = range("20");
    return t;
}

TEST(WaitsVerdict, TheWorseOfTheTwoLevelsCountsAndTheLineKeepsItsShape) {
    auto v = cli::judgeWaits({sample(412, 7)}, thresholds());
    EXPECT_EQ(v.state, CheckState::critical);
    // A '|' in a name would end the text early for the monitoring system.
    EXPECT_EQ(cli::checkLine(v), "MENTRENQ WAITS CRITICAL - longest wait 412 s on SYSDSN A\\x7CB, held by JOB on SYSA | "
                                 "longest_wait=412s;60;300;0; waiters=7;5;20;0; resources=1;;;0;\n");
    v = cli::judgeWaits({sample(30, 21)}, thresholds());
    EXPECT_EQ(v.state, CheckState::critical);
    EXPECT_NE(v.summary.find("; 21 tasks waiting"), std::string::npos) << v.summary;
    EXPECT_EQ(cli::judgeWaits({sample(0, 0)}, thresholds()).summary, "no contention");
    EXPECT_EQ(cli::judgeWaits({sample(61, 1)}, {}).state, CheckState::ok) << "no threshold, no alert";
}

TEST(WaitsVerdict, ForNSamplesRaisesOnlyWhatHeldInEachOfThem) {
    const auto t = thresholds();
    // Held: critical in all three.
    EXPECT_EQ(cli::judgeWaits({sample(10, 1), sample(400, 1), sample(500, 1), sample(301, 1)}, t, 3).state,
              CheckState::critical);
    // Broken by one sample: the lowest level that held everywhere.
    EXPECT_EQ(cli::judgeWaits({sample(400, 1), sample(100, 1), sample(500, 1)}, t, 3).state, CheckState::warning);
    EXPECT_EQ(cli::judgeWaits({sample(400, 1), sample(100, 1), sample(10, 1)}, t, 3).state, CheckState::ok);
    // Older samples do not count.
    EXPECT_EQ(cli::judgeWaits({sample(10, 1), sample(400, 1), sample(400, 1)}, t, 2).state, CheckState::critical);
    auto v = cli::judgeWaits({sample(400, 1), sample(500, 1)}, t, 2);
    EXPECT_NE(v.summary.find("(in each of the last 2 samples)"), std::string::npos) << v.summary;
    EXPECT_EQ(v.measure->longestWait, 500) << "the figures are the latest sample's";
}

TEST(WaitsVerdict, AFailedOrMissingSampleIsUnknownNeverOk) {
    const auto t = thresholds();
    auto v = cli::judgeWaits({failed("2026-12-10T08:15:00Z"), sample(10, 1), sample(10, 1)}, t, 2);
    EXPECT_EQ(v.state, CheckState::ok) << "the failure lies outside the last two";
    v = cli::judgeWaits({failed("2026-12-10T08:15:00Z"), sample(10, 1), sample(10, 1)}, t, 3);
    EXPECT_EQ(v.state, CheckState::unknown);
    EXPECT_EQ(v.summary, "the sample of 2026-12-10T08:15:00Z failed: status 71: view abandoned");
    EXPECT_EQ(v.perfdata, "longest_wait=10s;60;300;0; waiters=1;5;20;0; resources=1;;;0;");
    v = cli::judgeWaits({sample(400, 1), failed("T")}, t, 1);
    EXPECT_EQ(v.state, CheckState::unknown);
    EXPECT_EQ(v.perfdata, "") << "no figures from a failed sample";
    v = cli::judgeWaits({sample(400, 1), sample(400, 1)}, t, 3);
    EXPECT_EQ(v.state, CheckState::unknown);
    EXPECT_EQ(v.summary, "the history holds 2 samples, 3 are needed");
    EXPECT_EQ(cli::judgeWaits({}, t, 1).state, CheckState::unknown);
}

} // namespace
