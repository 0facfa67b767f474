#include "serve_fixture.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

namespace servetest {

std::string ServeTest::demoDb;

void ServeTest::SetUpTestSuite() {
    if (!demoDb.empty()) return;
    demoDb = temporaryPath("demo.db");
    std::remove(demoDb.c_str());
    const Output written = runMentrenq({"demo", "--out", demoDb});
    ASSERT_EQ(written.exitCode, 0) << written.err;
}

std::string HistoryServeTest::timeline;
std::string HistoryServeTest::history;

std::string snapshotName(const std::string& dir, int n) {
    char name[32];
    std::snprintf(name, sizeof name, "/snapshot-%05d.db", n);
    return dir + name;
}

void HistoryServeTest::SetUpTestSuite() {
    ServeTest::SetUpTestSuite();
    if (!history.empty()) return;
    timeline = temporaryPath("timeline");
    history = temporaryPath("recorded.history");
    // Left by an earlier process of the same id, they would be taken for ours.
    removeHistoryFiles();
    const Output generated =
        runMentrenq({"generate", "--timeline", "8", "--step", "30", "--out-dir", timeline, "--seed", "3"});
    ASSERT_EQ(generated.exitCode, 0) << generated.err;
    const auto record = [](std::vector<int> numbers, bool starved) {
        std::vector<std::string> args{"record", "--history", history};
        if (starved) args.insert(args.end(), {"--storage-limit", "65000"});
        for (int n : numbers) args.push_back(snapshotName(timeline, n));
        const Output o = runMentrenq(args);
        EXPECT_EQ(o.exitCode, 0) << o.err;
    };
    record({1, 2, 3}, false);
    record({4}, true);
    record({5, 6, 7, 8}, false);
}

void HistoryServeTest::TearDownTestSuite() { removeHistoryFiles(); }

void HistoryServeTest::removeHistoryFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(timeline, ignored);
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(history + suffix, ignored);
}

std::map<std::string, double> parseMetrics(const std::string& text, std::string& problem) {
    std::map<std::string, double> out;
    std::set<std::string> helped, typed;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("# HELP ", 0) == 0) {
            helped.insert(line.substr(7, line.find(' ', 7) - 7));
            continue;
        }
        if (line.rfind("# TYPE ", 0) == 0) {
            typed.insert(line.substr(7, line.find(' ', 7) - 7));
            continue;
        }
        const size_t space = line.rfind(' ');
        if (line.empty() || space == std::string::npos) {
            problem = "a line that is no sample: " + line;
            continue;
        }
        const std::string series = line.substr(0, space);
        const std::string name = series.substr(0, series.find('{'));
        if (!helped.count(name) || !typed.count(name)) problem = "no HELP or TYPE before " + series;
        if (out.count(series)) problem = "series given twice: " + series;
        out[series] = std::stod(line.substr(space + 1));
    }
    return out;
}

nlohmann::json parseJson(const std::string& text) {
    return nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
}

} // namespace servetest
