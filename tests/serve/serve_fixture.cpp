#include "serve_fixture.h"

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
