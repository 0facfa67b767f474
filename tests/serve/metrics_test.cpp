// /metrics against the view's own answers on the same snapshot, its format,
// and the reading kept for an unchanged snapshot.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "serve/metrics.h"
#include "serve_fixture.h"

namespace servetest {
namespace {

using nlohmann::json;

class MetricsTest : public ServeTest {};

// What query says: per Enqplex its report rows, longest wait and the rows
// of its resources' own queries; per Enqplex and System the waiters and
// owners among those rows.
struct Expected {
    std::map<std::string, double> series;
};

Expected expectedFromQuery(const std::string& db) {
    Expected e;
    const Output report = runMentrenq({"query", "--db", db, "--report", "--format", "json"});
    EXPECT_EQ(report.exitCode, 0) << report.err;
    for (const auto& row : parseJson(report.out)) {
        const std::string enqplex = row["enqplex"];
        const std::string label = "{enqplex=\"" + enqplex + "\"}";
        e.series["mentrenq_contended_resources" + label] += 1;
        e.series["mentrenq_rows" + label] += 1;
        double& longest = e.series["mentrenq_longest_wait_seconds" + label];
        longest = std::max(longest, row["maxwaittm"].get<double>());
        const Output tasks = runMentrenq({"query", "--db", db, "--major", row["majorname"], "--minor",
                                          row["minorname"], "--enqplex", enqplex, "--format", "json"});
        EXPECT_EQ(tasks.exitCode, 0) << tasks.err;
        for (const auto& task : parseJson(tasks.out)) {
            if (task["majorname"] != row["majorname"] || task["minorname"] != row["minorname"]) continue;
            e.series["mentrenq_rows" + label] += 1;
            const bool owner = !task["owningas"].get<std::string>().empty();
            const std::string system = task["sysname"];
            e.series[std::string(owner ? "mentrenq_owning_tasks" : "mentrenq_waiting_tasks") + "{enqplex=\"" +
                     enqplex + "\",system=\"" + system + "\"}"] += 1;
        }
    }
    return e;
}

TEST_F(MetricsTest, ValuesAreThoseOfQueryOnTheSameSnapshotAndConfiguredSeriesAreZero) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    const Response r = get(server.port(), "/metrics");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.contentType, "text/plain; version=0.0.4; charset=utf-8");
    std::string problem;
    const auto metrics = parseMetrics(r.body, problem);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(metrics.at("mentrenq_up"), 1);
    EXPECT_EQ(metrics.at("mentrenq_view_status"), 62);
    struct stat st {};
    ASSERT_EQ(::stat(demoDb.c_str(), &st), 0);
    EXPECT_EQ(static_cast<long long>(metrics.at("mentrenq_snapshot_timestamp_seconds")),
              static_cast<long long>(st.st_mtim.tv_sec));
    const Expected expected = expectedFromQuery(demoDb);
    for (const auto& [series, value] : expected.series)
        EXPECT_EQ(metrics.count(series) ? metrics.at(series) : -1, value) << series;
    // Every contention series is one query gave, or one the configuration
    // knows and query found nothing for (exported as 0).
    for (const auto& [series, value] : metrics) {
        const bool contention = series.rfind("mentrenq_contended", 0) == 0 || series.rfind("mentrenq_waiting", 0) == 0 ||
                                series.rfind("mentrenq_owning", 0) == 0 || series.rfind("mentrenq_longest", 0) == 0 ||
                                series.rfind("mentrenq_rows", 0) == 0;
        if (contention && !expected.series.count(series)) {
            EXPECT_EQ(value, 0) << series;
        }
    }
    // PRDE is in the configuration and has no task in contention.
    EXPECT_EQ(metrics.at("mentrenq_waiting_tasks{enqplex=\"PRODENQ\",system=\"PRDE\"}"), 0);
    EXPECT_EQ(metrics.at("mentrenq_owning_tasks{enqplex=\"PRODENQ\",system=\"PRDE\"}"), 0);
    EXPECT_EQ(metrics.at("mentrenq_incomplete_resources{enqplex=\"MIMPLEX\"}"), 0);
}

TEST_F(MetricsTest, PromtoolFindsNothingToComplainAbout) {
    if (std::string(PROMTOOL).empty()) GTEST_SKIP() << "promtool is not installed (Debian package prometheus)";
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    get(server.port(), "/api/v1/tree"); // so that the request counter has series
    const Response r = get(server.port(), "/metrics");
    ASSERT_EQ(r.status, 200);
    const Output checked = runProgram(PROMTOOL, {"check", "metrics"}, r.body);
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    EXPECT_EQ(checked.out + checked.err, "");
}

TEST_F(MetricsTest, TheExampleScrapeConfigurationAndAlertRulesAreValid) {
    if (std::string(PROMTOOL).empty()) GTEST_SKIP() << "promtool is not installed (Debian package prometheus)";
    const Output checked = runProgram(PROMTOOL, {"check", "config", std::string(SOURCE_DIR) + "/docs/serve/prometheus.yml"});
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
    EXPECT_NE(checked.out.find("3 rules found"), std::string::npos) << checked.out;
}

TEST_F(MetricsTest, AnUnchangedSnapshotIsReadOnceAChangedOneAfresh) {
    const std::string db = temporaryPath("changing.db");
    const std::string next = temporaryPath("changing-next.db");
    std::remove(db.c_str());
    std::remove(next.c_str());
    ASSERT_EQ(runMentrenq({"demo", "--out", db}).exitCode, 0);
    ServerProcess server({"--db", db});
    ASSERT_NE(server.port(), 0) << server.log();
    auto scrape = [&] {
        std::string problem;
        auto m = parseMetrics(get(server.port(), "/metrics").body, problem);
        EXPECT_EQ(problem, "");
        return m;
    };
    auto first = scrape();
    for (int i = 0; i < 3; ++i) get(server.port(), "/api/v1/tree");
    auto again = scrape();
    EXPECT_EQ(again.at("mentrenq_snapshot_reads_total"), first.at("mentrenq_snapshot_reads_total"));
    EXPECT_EQ(again.at("mentrenq_cache_hits_total"), first.at("mentrenq_cache_hits_total") + 4);
    // A collector renames a new snapshot over the old one: here one with a
    // single resource contended.
    ASSERT_EQ(runMentrenq({"generate", "--out", next, "--enqplexes", "1", "--sysplexes", "1", "--systems", "2",
                           "--resources", "1", "--seed", "7"})
                  .exitCode,
              0);
    ASSERT_EQ(std::rename(next.c_str(), db.c_str()), 0);
    auto changed = scrape();
    EXPECT_EQ(changed.at("mentrenq_snapshot_reads_total"), first.at("mentrenq_snapshot_reads_total") + 1);
    double resources = 0;
    for (const auto& [series, value] : changed)
        if (series.rfind("mentrenq_contended_resources{", 0) == 0) resources += value;
    EXPECT_EQ(resources, 1);
}

TEST(LabelValues, AreEscapedAndAlwaysUtf8) {
    EXPECT_EQ(serve::labelValue("PRODENQ"), "PRODENQ");
    EXPECT_EQ(serve::labelValue("A\"B\\C\nD"), "A\\\"B\\\\C\\nD");
    EXPECT_EQ(serve::labelValue("caf\xc3\xa9"), "caf\xc3\xa9");
    // A byte that is not UTF-8 stands for its Latin-1 character.
    EXPECT_EQ(serve::labelValue("X\xe9Y"), "X\xc3\xa9Y");
}

TEST(MetricsWithoutAReading, SayTheViewIsNotUpAndNothingElseOfIt) {
    std::string problem;
    const auto metrics = parseMetrics(serve::metricsText(nullptr, {}), problem);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(metrics.at("mentrenq_up"), 0);
    EXPECT_EQ(metrics.at("mentrenq_view_status"), 0);
    EXPECT_EQ(metrics.count("mentrenq_view_duration_seconds"), 0u);
}

} // namespace
} // namespace servetest
