// The page as a browser shows it: headless Chromium loads it from the
// server, runs its script, and the test reads the DOM that results.
#include <cstdlib>

#include "serve_fixture.h"

namespace servetest {
namespace {

using nlohmann::json;

class PageTest : public ServeTest {
protected:
    void SetUp() override {
        if (std::string(CHROMIUM).empty()) GTEST_SKIP() << "Chromium is not installed (Debian package chromium)";
    }

    // The DOM after the page's script ran; the page marks <body> once it has
    // shown the server's answers.
    static std::string dom(int port, const std::string& name) {
        const std::string profile = temporaryPath("chromium-" + name);
        const Output o = runProgram(
            "/usr/bin/timeout",
            {"120", CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--disable-dev-shm-usage", "--user-data-dir=" + profile, "--virtual-time-budget=10000", "--dump-dom",
             "http://127.0.0.1:" + std::to_string(port) + "/"});
        std::system(("rm -rf '" + profile + "'").c_str());
        EXPECT_EQ(o.exitCode, 0) << o.err;
        return o.out;
    }
};

TEST_F(PageTest, ShowsEveryOwnerAndWaiterOfTheDemoWithTheViewsStatus) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    const std::string page = dom(server.port(), "demo");
    ASSERT_NE(page.find("data-loaded=\"yes\""), std::string::npos) << page;
    EXPECT_NE(page.find("view ended normally (status 62)"), std::string::npos);
    const Output tree = runMentrenq({"tree", "--db", demoDb, "--format", "json"});
    ASSERT_EQ(tree.exitCode, 0);
    int tasks = 0;
    for (const auto& enqplex : parseJson(tree.out)) {
        EXPECT_NE(page.find("Enqplex " + enqplex["enqplex"].get<std::string>()), std::string::npos);
        for (const auto& resource : enqplex["resources"]) {
            for (const char* role : {"owners", "waiters"}) {
                for (const auto& task : resource[role]) {
                    ++tasks;
                    const std::string job = task["job"];
                    const std::string shown = job + " on " + task["sysname"].get<std::string>();
                    EXPECT_NE(page.find(shown), std::string::npos) << role << " " << shown;
                }
            }
        }
    }
    EXPECT_GT(tasks, 20);
    // The summary table has a row per contended resource, longest wait first.
    EXPECT_NE(page.find("9 resources contended."), std::string::npos);
    EXPECT_LT(page.find(">1260<"), page.find(">610<"));
    // A System without contention is listed with its status.
    EXPECT_NE(page.find(">PRDE<"), std::string::npos);
    EXPECT_EQ(page.find("No contention."), std::string::npos);
}

TEST_F(PageTest, AFailedViewIsShownAsAFailureNotAsNoContention) {
    ServerProcess server({"--db", demoDb, "--storage-limit", "65000"});
    ASSERT_NE(server.port(), 0) << server.log();
    const std::string page = dom(server.port(), "failed");
    ASSERT_NE(page.find("data-loaded=\"yes\""), std::string::npos) << page;
    EXPECT_NE(page.find("The view failed"), std::string::npos) << page;
    EXPECT_NE(page.find("status 71: view abandoned (no storage for rows)"), std::string::npos) << page;
    EXPECT_EQ(page.find("No contention."), std::string::npos) << page;
}

} // namespace
} // namespace servetest
