// The page as a browser shows it: headless Chromium loads it from the
// server, runs its script, and the test reads the DOM that results.
#include <cstdlib>

#include "serve_fixture.h"

namespace servetest {
namespace {

using nlohmann::json;

// The DOM after the page's script ran; the page marks <body> once it has
// shown the server's answers.
std::string pageDom(int port, const std::string& name, const std::string& target = "/") {
    const std::string profile = temporaryPath("chromium-" + name);
    const Output o = runProgram(
        "/usr/bin/timeout",
        {"120", CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-dev-shm-usage", "--user-data-dir=" + profile, "--virtual-time-budget=10000", "--dump-dom",
         "http://127.0.0.1:" + std::to_string(port) + target});
    std::system(("rm -rf '" + profile + "'").c_str());
    EXPECT_EQ(o.exitCode, 0) << o.err;
    return o.out;
}

bool chromiumMissing() { return std::string(CHROMIUM).empty(); }
constexpr char noChromium[] = "Chromium is not installed (Debian package chromium)";

class PageTest : public ServeTest {
protected:
    void SetUp() override {
        if (chromiumMissing()) GTEST_SKIP() << noChromium;
    }
    static std::string dom(int port, const std::string& name) { return pageDom(port, name); }
};

class HistoryPageTest : public HistoryServeTest {
protected:
    void SetUp() override {
        if (chromiumMissing()) GTEST_SKIP() << noChromium;
    }
};

// The opening tag of the element with this id, as the DOM holds it.
std::string openingTag(const std::string& page, const std::string& id) {
    const size_t at = page.find("id=\"" + id + "\"");
    if (at == std::string::npos) return "";
    const size_t begin = page.rfind('<', at);
    return page.substr(begin, page.find('>', at) - begin + 1);
}

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
    // Without a history there is no timeline and nothing from the past.
    EXPECT_NE(openingTag(page, "timeline-section").find("hidden"), std::string::npos) << openingTag(page, "timeline-section");
    EXPECT_NE(openingTag(page, "past").find("hidden"), std::string::npos);
}

TEST_F(HistoryPageTest, WithAHistoryTheTimelineIsDrawnAndAMomentOfItIsShownThroughAt) {
    ServerProcess server({"--db", demoDb, "--history", history});
    ASSERT_NE(server.port(), 0) << server.log();
    const std::string live = pageDom(server.port(), "timeline");
    ASSERT_NE(live.find("data-loaded=\"yes\""), std::string::npos) << live;
    const std::string section = openingTag(live, "timeline-section");
    ASSERT_FALSE(section.empty());
    EXPECT_EQ(section.find("hidden"), std::string::npos) << section;
    // One point per sample of the last hour, drawn inline, the failed one marked.
    EXPECT_NE(openingTag(live, "timeline").find("data-points=\"8\""), std::string::npos) << openingTag(live, "timeline");
    EXPECT_NE(live.find("<svg"), std::string::npos);
    EXPECT_NE(live.find("8 samples from 2026-12-10 07:03:30 UTC to 2026-12-10 08:03:30 UTC"), std::string::npos);
    EXPECT_NE(live.find("class=\"failed-mark\""), std::string::npos);
    EXPECT_NE(live.find("the view failed in 1 sample; nothing is known"), std::string::npos);
    EXPECT_NE(openingTag(live, "past").find("hidden"), std::string::npos);
    // The episodes of the window, from /api/v1/history.
    const Output episodes = runMentrenq({"history", "--history", history, "--since", "1h", "--format", "json"});
    ASSERT_EQ(episodes.exitCode, 0);
    const json listed = parseJson(episodes.out);
    ASSERT_FALSE(listed.empty());
    EXPECT_NE(live.find(">" + listed[0]["MINORNAME"].get<std::string>() + "<"), std::string::npos);

    // A moment of the timeline: the view as the history holds it then.
    const std::string at = "2026-12-10T08:02:10Z";
    const std::string past = pageDom(server.port(), "past", "/?at=" + at);
    ASSERT_NE(past.find("data-loaded=\"yes\""), std::string::npos) << past;
    EXPECT_EQ(openingTag(past, "past").find("hidden"), std::string::npos) << openingTag(past, "past");
    EXPECT_NE(past.find("the history's sample of 2026-12-10 08:02:00 UTC"), std::string::npos);
    EXPECT_NE(past.find("The history does not keep the Systems' status"), std::string::npos);
    const Output tree = runMentrenq({"tree", "--history", history, "--at", at, "--format", "json"});
    ASSERT_EQ(tree.exitCode, 0) << tree.err;
    const json then = parseJson(tree.out);
    int tasks = 0;
    for (const auto& enqplex : then["enqplexes"])
        for (const auto& resource : enqplex["resources"])
            for (const auto& task : resource["waiters"]) {
                ++tasks;
                const std::string shown = task["job"].get<std::string>() + " on " + task["sysname"].get<std::string>();
                EXPECT_NE(past.find(shown), std::string::npos) << shown;
            }
    EXPECT_GT(tasks, 20);
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
