// A server with a history: the episodes, the timeline and the view at a
// time, over real HTTP, against what history, query and tree answer from
// the same history; the errors; and the history left as it was while record
// writes to it.
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include "serve/timeline.h"
#include "serve_fixture.h"

namespace servetest {
namespace {

using nlohmann::json;

json commandJson(const std::vector<std::string>& args) {
    const Output o = runMentrenq(args);
    EXPECT_EQ(o.exitCode, 0) << o.err;
    return parseJson(o.out);
}

json getJson(int port, const std::string& target, int status) {
    const Response r = get(port, target);
    EXPECT_EQ(r.status, status) << target << ": " << r.body;
    EXPECT_EQ(r.contentType, "application/json");
    return parseJson(r.body);
}

TEST_F(HistoryServeTest, EpisodesAreThoseTheHistoryCommandListsForTheSameWindow) {
    ServerProcess server({"--db", demoDb, "--history", history});
    ASSERT_NE(server.port(), 0) << server.log();
    struct Case {
        std::string query;
        std::vector<std::string> options;
        const char* member;
    };
    const std::vector<Case> cases = {
        {"since=2026-12-10T08:00:00Z", {"--since", "2026-12-10T08:00:00Z"}, "episodes"},
        {"since=90s", {"--since", "90s"}, "episodes"},
        {"since=2026-12-10T08:00:30Z&until=2026-12-10T08:01:00Z",
         {"--since", "2026-12-10T08:00:30Z", "--until", "2026-12-10T08:01:00Z"}, "episodes"},
        {"since=1h&open", {"--since", "1h", "--open"}, "episodes"},
        {"since=2m&roots=yes", {"--since", "2m", "--roots"}, "holders"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        const json document = getJson(server.port(), "/api/v1/history?" + c.query, 200);
        EXPECT_EQ(document["version"], 1);
        EXPECT_EQ(document["history"]["source"], history);
        EXPECT_EQ(document["history"]["samples"], 8);
        EXPECT_EQ(document["history"]["last_sample"], "2026-12-10T08:03:30Z");
        std::vector<std::string> args{"history", "--history", history, "--format", "json"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const json expected = commandJson(args);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(document[c.member], expected);
    }
}

TEST_F(HistoryServeTest, TheViewAtATimeIsWhatQueryAndTreeAnswerFromTheHistory) {
    ServerProcess server({"--db", demoDb, "--history", history});
    ASSERT_NE(server.port(), 0) << server.log();
    // On a sample, between two, counted back from the last, and the last.
    const std::vector<std::pair<std::string, std::string>> times = {{"2026-12-10T08:01:00Z", "2026-12-10T08:01:00Z"},
                                                                    {"2026-12-10T08:02:10Z", "2026-12-10T08:02:00Z"},
                                                                    {"1m", "2026-12-10T08:02:30Z"},
                                                                    {"2026-12-10T09:00:00Z", "2026-12-10T08:03:30Z"}};
    for (const auto& [at, sampleTime] : times) {
        SCOPED_TRACE(at);
        const json report = commandJson({"query", "--history", history, "--at", at, "--report", "--format", "json"});
        ASSERT_FALSE(report["rows"].empty());
        const json& first = report["rows"][0];
        const std::string major = first["majorname"], minor = first["minorname"], enqplex = first["enqplex"];
        const std::string resource = "&major=" + major + "&minor=" + minor + "&enqplex=" + enqplex;
        struct Case {
            std::string parameters;
            std::vector<std::string> options;
        };
        const std::vector<Case> cases = {
            {"", {"--report"}},
            {"&where=maxwaittm+%3E+1000", {"--report", "--where", "maxwaittm > 1000"}},
            {resource, {"--major", major, "--minor", minor, "--enqplex", enqplex}},
            {resource + "&where=waittime%3E0", {"--major", major, "--minor", minor, "--enqplex", enqplex, "--where", "waittime>0"}},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.parameters);
            const json document = getJson(server.port(), "/api/v1/contention?at=" + at + c.parameters, 200);
            std::vector<std::string> args{"query", "--history", history, "--at", at, "--format", "json"};
            args.insert(args.end(), c.options.begin(), c.options.end());
            const json expected = commandJson(args);
            EXPECT_EQ(document["rows"], expected["rows"]);
            EXPECT_EQ(document["snapshot"]["time"], expected["taken_at"]);
            EXPECT_EQ(document["snapshot"]["time"], sampleTime);
            EXPECT_EQ(document["snapshot"]["source"], expected["snapshot"]);
            EXPECT_EQ(document["snapshot"]["time_source"], "capture");
            EXPECT_EQ(document["history"]["sample_time"], sampleTime);
            EXPECT_EQ(document["history"]["source"], history);
            EXPECT_EQ(document["view"]["status"], 62);
            // Known for the report of every Enqplex only.
            EXPECT_EQ(document["view"]["not_seen"].is_array(), c.options[0] == "--report");
            EXPECT_EQ(document["view"]["not_seen"].is_null(), c.options[0] != "--report");
        }
        for (const std::string& only : {std::string(), enqplex}) {
            SCOPED_TRACE(only);
            const json document =
                getJson(server.port(), "/api/v1/tree?at=" + at + (only.empty() ? "" : "&enqplex=" + only), 200);
            std::vector<std::string> args{"tree", "--history", history, "--at", at, "--format", "json"};
            if (!only.empty()) args.insert(args.end(), {"--enqplex", only});
            const json expected = commandJson(args);
            EXPECT_EQ(document["tree"], expected["enqplexes"]);
            EXPECT_EQ(document["history"]["sample_time"], expected["taken_at"]);
            EXPECT_EQ(document["view"]["complete"], true);
            EXPECT_EQ(document["view"]["not_seen"].is_array(), only.empty());
            EXPECT_EQ(document["view"]["not_seen"].is_null(), !only.empty());
        }
    }
}

// The demo's view passes over a System it cannot ask: the past says so as
// the live view did.
TEST_F(HistoryServeTest, ThePastSaysWhatTheViewPassedOver) {
    const std::string kept = temporaryPath("passed-over.history");
    ASSERT_EQ(runMentrenq({"record", "--history", kept, demoDb}).exitCode, 0);
    ServerProcess server({"--db", demoDb, "--history", kept});
    ASSERT_NE(server.port(), 0) << server.log();
    const json live = getJson(server.port(), "/api/v1/tree", 200);
    ASSERT_EQ(live["view"]["not_seen"].size(), 1u) << live["view"];
    for (const std::string target : {"/api/v1/tree?at=2099-01-01T00:00:00Z", "/api/v1/contention?at=2099-01-01T00:00:00Z"})
        EXPECT_EQ(getJson(server.port(), target, 200)["view"]["not_seen"], live["view"]["not_seen"]) << target;
    for (const char* s : {"", "-wal", "-shm"}) std::remove((kept + s).c_str());
}

TEST_F(HistoryServeTest, AFailedSampleIsAFailureWithItsStatusNeverNoContention) {
    ServerProcess server({"--db", demoDb, "--history", history});
    ASSERT_NE(server.port(), 0) << server.log();
    for (const std::string target : {"/api/v1/contention?at=2026-12-10T08:01:45Z", "/api/v1/tree?at=2026-12-10T08:01:45Z",
                                     "/api/v1/contention?at=2026-12-10T08:01:30Z&major=A&minor=B&enqplex=ENQPLEX1"}) {
        SCOPED_TRACE(target);
        const json document = getJson(server.port(), target, 503);
        EXPECT_EQ(document["view"]["status"], 71);
        EXPECT_EQ(document["view"]["ended_normally"], false);
        EXPECT_EQ(document["history"]["sample_time"], "2026-12-10T08:01:30Z");
        EXPECT_NE(document.value("error", "").find("no storage for rows"), std::string::npos) << document;
    }
    // On the timeline, a span of the failed sample alone knows nothing.
    const json samples =
        getJson(server.port(), "/api/v1/history/samples?since=2026-12-10T08:00:00Z&until=2026-12-10T08:03:30Z&points=7", 200);
    bool seen = false;
    for (const auto& p : samples["points"]) {
        if (p["time"] != "2026-12-10T08:01:30Z") continue;
        seen = true;
        EXPECT_EQ(p["failed"], 1);
        EXPECT_TRUE(p["waiting_tasks"].is_null());
        EXPECT_TRUE(p["contended_resources"].is_null());
    }
    EXPECT_TRUE(seen) << samples;
}

TEST_F(HistoryServeTest, TheTimelineIsBoundedAndEachPointIsASampleTheViewAtATimeFinds) {
    ServerProcess server({"--db", demoDb, "--history", history});
    ASSERT_NE(server.port(), 0) << server.log();
    const json whole = getJson(server.port(), "/api/v1/history/samples?since=1h", 200);
    EXPECT_EQ(whole["version"], 1);
    EXPECT_EQ(whole["samples"], 8);
    EXPECT_EQ(whole["downsampled"], false);
    ASSERT_EQ(whole["points"].size(), 8u);
    const json three = getJson(server.port(), "/api/v1/history/samples?since=2026-12-10T08:00:00Z&points=3", 200);
    ASSERT_LE(three["points"].size(), 3u);
    EXPECT_EQ(three["downsampled"], true);
    int64_t counted = 0, most = 0, mostOfThree = 0;
    for (const auto& s : whole["points"]) most = std::max<int64_t>(most, s["waiting_tasks"].is_null() ? 0 : s["waiting_tasks"].get<int64_t>());
    for (const auto& p : three["points"]) {
        counted += p["samples"].get<int64_t>();
        mostOfThree = std::max<int64_t>(mostOfThree, p["waiting_tasks"].get<int64_t>());
        const std::string time = p["time"];
        SCOPED_TRACE(time);
        // A point is the sample of its span with the most waiting tasks; its
        // other figures are the largest of the span.
        const json view = getJson(server.port(), "/api/v1/contention?at=" + time, 200);
        EXPECT_EQ(view["history"]["sample_time"], time);
        int64_t waiting = 0;
        for (const auto& row : view["rows"]) waiting += row["waittaskct"].get<int64_t>();
        EXPECT_EQ(waiting, p["waiting_tasks"]);
        EXPECT_LE(view["rows"].size(), p["contended_resources"].get<size_t>());
    }
    EXPECT_EQ(counted, 8);
    // The downsampling loses no peak.
    EXPECT_EQ(mostOfThree, most);
}

TEST(Timeline, KeepsTheWorstSampleOfEachSpanAndNoMorePointsThanAsked) {
    serve::Timeline timeline(0, 999'999, 10);
    for (int64_t i = 0; i < 1000; ++i) {
        history::SampleInfo s;
        s.takenMs = i * 1000;
        s.status = 62;
        // A spike of 500 waiters at 123 s; the span 600..699 s fails throughout.
        s.waiters = i == 123 ? 500 : i % 7;
        s.reportRows = i % 5;
        if (i >= 600 && i < 700) s.status = 71;
        timeline.add(s);
    }
    history::SampleInfo last;
    last.takenMs = 999'999;
    last.status = 62;
    timeline.add(last); // the window's very end belongs to its last span
    const auto& points = timeline.points();
    ASSERT_EQ(points.size(), 10u);
    EXPECT_EQ(timeline.samples(), 1001);
    EXPECT_TRUE(timeline.downsampled());
    EXPECT_EQ(points[1].timeMs, 123'000);
    EXPECT_EQ(points[1].waitingTasks, 500);
    EXPECT_EQ(points[1].resources, 4);
    EXPECT_EQ(points[6].failed, 100);
    EXPECT_FALSE(points[6].waitingTasks);
    EXPECT_FALSE(points[6].resources);
    EXPECT_EQ(points[6].timeMs, 699'000);
    EXPECT_EQ(points[9].samples, 101);
}

TEST_F(HistoryServeTest, BadTimesAndTheTimeBeforeTheFirstSampleAreRefusedWithOneLine) {
    ServerProcess server({"--db", demoDb, "--history", history});
    ASSERT_NE(server.port(), 0) << server.log();
    struct Case {
        std::string target;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"/api/v1/history", 400, "parameter since is required"},
        {"/api/v1/history?since=yesterday", 400, "neither an ISO-8601 UTC time"},
        {"/api/v1/history?since=", 400, "parameter since"},
        {"/api/v1/history?since=10m&until=2026-13-01T00:00:00Z", 400, "parameter until"},
        {"/api/v1/history?since=2026-12-10T08:03:00Z&until=2026-12-10T08:01:00Z", 400, "before it begins"},
        {"/api/v1/history?since=1h&colour=red", 400, "unknown parameter colour"},
        {"/api/v1/history?since=1h&open=maybe", 400, "open"},
        {"/api/v1/history/samples?until=1m", 400, "parameter since is required"},
        {"/api/v1/history/samples?since=1h&points=0", 400, "points"},
        {"/api/v1/contention?at=08:00", 400, "parameter at"},
        {"/api/v1/contention?at=", 400, "parameter at"},
        {"/api/v1/tree?at=1m&at=2m", 400, "more than once"},
        {"/api/v1/contention?at=1m&enqplex=NOSUCH", 400, "has no Enqplex NOSUCH"},
        {"/api/v1/status?at=1m", 400, "unknown parameter at"},
        {"/api/v1/contention?at=2026-12-10T07:59:59Z", 404, "no sample taken at or before 2026-12-10T07:59:59Z"},
        {"/api/v1/tree?at=1d", 404, "its first sample is of 2026-12-10T08:00:00Z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const Response r = get(server.port(), c.target);
        EXPECT_EQ(r.status, c.status) << r.body;
        EXPECT_EQ(r.contentType, "application/json");
        EXPECT_EQ(r.body.find('\n'), r.body.size() - 1) << "one line: " << r.body;
        const json document = parseJson(r.body);
        EXPECT_EQ(document["version"], 1);
        EXPECT_NE(document.value("error", "").find(c.says), std::string::npos) << r.body;
    }
}

TEST_F(HistoryServeTest, WithoutAHistoryThePastIsNotFound) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    for (const std::string target : {"/api/v1/history?since=1h", "/api/v1/history/samples?since=1h",
                                     "/api/v1/contention?at=1m", "/api/v1/tree?at=2026-12-10T08:00:00Z"}) {
        SCOPED_TRACE(target);
        const json document = getJson(server.port(), target, 404);
        EXPECT_EQ(document["error"], "this server has no history: start it with --history FILE");
    }
}

TEST_F(HistoryServeTest, AMissingOrForeignHistoryIsAUsageErrorAtStartAndIsLeftAlone) {
    const std::string before = readFile(demoDb);
    for (const std::string& path : {temporaryPath("no-such.history"), demoDb}) {
        SCOPED_TRACE(path);
        const Output o = runMentrenq({"serve", "--db", demoDb, "--listen", "127.0.0.1:0", "--history", path});
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
        EXPECT_NE(o.err.find(path), std::string::npos) << o.err;
        EXPECT_EQ(o.err.find("serving"), std::string::npos) << o.err;
    }
    EXPECT_EQ(readFile(demoDb), before);
}

TEST_F(HistoryServeTest, ServingLeavesTheHistoryAsItWasAndFollowsRecordWhileItAppends) {
    const std::string copy = temporaryPath("appended.history");
    std::remove(copy.c_str());
    ASSERT_EQ(runMentrenq({"record", "--history", copy, snapshotName(timeline, 1), snapshotName(timeline, 2)}).exitCode, 0);
    struct stat before {};
    ASSERT_EQ(::stat(copy.c_str(), &before), 0);
    const std::string bytes = readFile(copy);

    ServerProcess server({"--db", demoDb, "--history", copy});
    ASSERT_NE(server.port(), 0) << server.log();
    for (const std::string target : {"/api/v1/history?since=1h", "/api/v1/history/samples?since=1h",
                                     "/api/v1/contention?at=30s", "/api/v1/tree?at=2026-12-10T08:00:00Z"})
        EXPECT_EQ(get(server.port(), target).status, 200) << target;
    struct stat after {};
    ASSERT_EQ(::stat(copy.c_str(), &after), 0);
    EXPECT_EQ(readFile(copy), bytes);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // record appends the other six while the server answers from the file.
    std::atomic<bool> recorded{false};
    Output record;
    std::thread writer([&] {
        std::vector<std::string> args{"record", "--history", copy};
        for (int n = 3; n <= 8; ++n) args.push_back(snapshotName(timeline, n));
        record = runMentrenq(args);
        recorded = true;
    });
    int64_t seen = 2, answered = 0;
    while (!recorded || answered == 0) {
        const bool last = recorded;
        const Response r = get(server.port(), "/api/v1/history/samples?since=1h");
        ASSERT_EQ(r.status, 200) << r.body;
        const json document = parseJson(r.body);
        const int64_t samples = document["history"]["samples"];
        EXPECT_GE(samples, seen);
        seen = samples;
        // The last sample it knows of is there whole.
        const std::string lastSample = document["history"]["last_sample"];
        const json view = getJson(server.port(), "/api/v1/tree?at=" + lastSample, 200);
        EXPECT_EQ(view["history"]["sample_time"], lastSample);
        EXPECT_FALSE(view["tree"].empty());
        ++answered;
        if (last) break;
    }
    writer.join();
    ASSERT_EQ(record.exitCode, 0) << record.err;
    const json now = getJson(server.port(), "/api/v1/contention?at=2026-12-10T08:03:30Z", 200);
    EXPECT_EQ(now["history"]["sample_time"], "2026-12-10T08:03:30Z");
    EXPECT_EQ(getJson(server.port(), "/api/v1/history?since=1h", 200)["history"]["samples"], 8);
    server.signal(SIGTERM);
    EXPECT_EQ(server.wait(), 0);
}

TEST_F(HistoryServeTest, TheSnapshotsTimeIsItsCaptureTime) {
    ServerProcess server({"--db", snapshotName(timeline, 3)});
    ASSERT_NE(server.port(), 0) << server.log();
    for (const std::string target : {"/api/v1/contention", "/api/v1/tree", "/api/v1/contention?report&where=maxwaittm+%3E+1"}) {
        SCOPED_TRACE(target);
        const json document = getJson(server.port(), target, 200);
        EXPECT_EQ(document["snapshot"]["time"], "2026-12-10T08:01:00Z");
        EXPECT_EQ(document["snapshot"]["time_source"], "capture");
        EXPECT_EQ(document["snapshot"]["captured_at"], "2026-12-10T08:01:00Z");
    }
    const Response metrics = get(server.port(), "/metrics");
    // 2026-12-10T08:01:00Z
    EXPECT_NE(metrics.body.find("\nmentrenq_snapshot_timestamp_seconds 1796889660\n"), std::string::npos) << metrics.body;
}

} // namespace
} // namespace servetest
