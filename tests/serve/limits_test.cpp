// The server's bounds: many clients at once, 503 with Retry-After beyond the
// workers and the queue, a slow client, oversized requests, and a clean stop
// on SIGTERM that answers what it accepted.
#include <csignal>
#include <future>
#include <thread>

#include "serve_fixture.h"

namespace servetest {
namespace {

class LimitsTest : public ServeTest {};

const std::string partialRequest = "GET /api/v1/contention HTTP/1.1\r\nHost: x\r\n";
const std::string requestEnd = "Connection: close\r\n\r\n";

TEST_F(LimitsTest, ManyClientsAtOnceAllGetTheSameAnswer) {
    ServerProcess server({"--db", demoDb, "--threads", "4", "--queue", "64"});
    ASSERT_NE(server.port(), 0) << server.log();
    const std::string expected = parseJson(get(server.port(), "/api/v1/contention").body)["rows"].dump();
    std::vector<std::future<int>> clients;
    for (int c = 0; c < 24; ++c) {
        clients.push_back(std::async(std::launch::async, [&, c] {
            int good = 0;
            for (int i = 0; i < 4; ++i) {
                const Response r = get(server.port(), (c + i) % 2 ? "/api/v1/contention" : "/metrics");
                if (r.status != 200) continue;
                if (r.contentType == "application/json") good += parseJson(r.body)["rows"].dump() == expected;
                else good += r.body.find("\nmentrenq_up 1\n") != std::string::npos;
            }
            return good;
        }));
    }
    int good = 0;
    for (auto& c : clients) good += c.get();
    EXPECT_EQ(good, 24 * 4);
}

TEST_F(LimitsTest, BeyondTheWorkersAndTheQueueClientsGet503WithRetryAfter) {
    ServerProcess server({"--db", demoDb, "--threads", "1", "--queue", "1"});
    ASSERT_NE(server.port(), 0) << server.log();
    // The one worker waits for the rest of this request; the next one waits
    // in the queue; the third is beyond the bound.
    Connection holding(server.port());
    ASSERT_TRUE(holding.send(partialRequest));
    Connection queued(server.port());
    ASSERT_TRUE(queued.send(partialRequest + requestEnd));
    const Response refused = get(server.port(), "/metrics");
    EXPECT_EQ(refused.status, 503) << refused.body;
    EXPECT_EQ(refused.retryAfter, "1");
    EXPECT_EQ(refused.contentType, "application/json");
    EXPECT_NE(parseJson(refused.body).value("error", "").find("busy"), std::string::npos) << refused.body;
    ASSERT_TRUE(holding.send(requestEnd));
    EXPECT_EQ(parseResponse(holding.readAll()).status, 200);
    EXPECT_EQ(parseResponse(queued.readAll()).status, 200);
    // Once they were answered, there is room again.
    EXPECT_EQ(get(server.port(), "/metrics").status, 200);
}

TEST_F(LimitsTest, ASlowClientIsCutOffWhileOthersAreServed) {
    ServerProcess server({"--db", demoDb, "--threads", "2", "--client-timeout", "1"});
    ASSERT_NE(server.port(), 0) << server.log();
    Connection slow(server.port());
    ASSERT_TRUE(slow.send("GET /metr"));
    EXPECT_EQ(get(server.port(), "/api/v1/tree").status, 200);
    // The server gives up on the rest of the request and closes: no answer
    // is a 200.
    const std::string answer = slow.readAll();
    EXPECT_EQ(answer.find(" 200 "), std::string::npos) << answer;
    EXPECT_EQ(get(server.port(), "/metrics").status, 200);
}

TEST_F(LimitsTest, OversizedRequestsAreRefused) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    const Response longTarget = get(server.port(), "/api/v1/contention?where=" + std::string(10000, 'a'));
    EXPECT_EQ(longTarget.status, 414) << longTarget.body;
    EXPECT_EQ(longTarget.contentType, "application/json");
    const Response longHeader =
        sendRequest(server.port(), "GET /metrics HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(10000, 'b') + "\r\n\r\n");
    EXPECT_EQ(longHeader.status / 100, 4) << longHeader.body;
    const Response bigBody = sendRequest(server.port(), "POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n" +
                                                         std::string(100000, 'c'));
    EXPECT_EQ(bigBody.status, 413) << bigBody.body;
    EXPECT_EQ(get(server.port(), "/metrics").status, 200);
}

TEST_F(LimitsTest, SigtermAnswersTheRequestsAcceptedRefusesNewOnesAndEndsWithZero) {
    ServerProcess server({"--db", demoDb, "--threads", "1", "--queue", "1"});
    ASSERT_NE(server.port(), 0) << server.log();
    Connection inFlight(server.port());
    ASSERT_TRUE(inFlight.send(partialRequest));
    Connection queued(server.port());
    ASSERT_TRUE(queued.send(partialRequest + requestEnd));
    // Connections are accepted in order: a third one refused as beyond the
    // bound shows that both were accepted.
    ASSERT_EQ(get(server.port(), "/metrics").status, 503);
    server.signal(SIGTERM);
    ASSERT_TRUE(server.waitForLog("SIGTERM: stopping"));
    const Response late = get(server.port(), "/metrics");
    EXPECT_EQ(late.status, 503);
    EXPECT_EQ(late.retryAfter, "5");
    ASSERT_TRUE(inFlight.send(requestEnd));
    const Response first = parseResponse(inFlight.readAll());
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(parseJson(first.body)["view"]["status"], 62);
    EXPECT_EQ(parseResponse(queued.readAll()).status, 200);
    EXPECT_EQ(server.wait(), 0);
    EXPECT_NE(server.log().find("mentrenq: stopped"), std::string::npos) << server.log();
}

} // namespace
} // namespace servetest
