// Each endpoint over real HTTP: status, content type and body, compared with
// what the command writes for the same snapshot.
#include <csignal>

#include "serve_fixture.h"

namespace servetest {
namespace {

using nlohmann::json;

class EndpointsTest : public ServeTest {};

json queryJson(const std::vector<std::string>& args) {
    std::vector<std::string> all{"query", "--db", ServeTest::demoDb, "--format", "json"};
    all.insert(all.end(), args.begin(), args.end());
    const Output o = runMentrenq(all);
    EXPECT_EQ(o.exitCode, 0) << o.err;
    return parseJson(o.out);
}

TEST_F(EndpointsTest, ContentionGivesTheRowsOfQueryWithTheSameFiltersAndSaysTheSnapshotAndTheView) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    struct Case {
        std::string target;
        std::vector<std::string> options;
    };
    const std::vector<Case> cases = {
        {"/api/v1/contention", {"--report"}},
        {"/api/v1/contention?report", {"--report"}},
        {"/api/v1/contention?major=SYSDSN&minor=PAY.PROD.EMPLOYEE.MASTER&enqplex=PRODENQ",
         {"--major", "SYSDSN", "--minor", "PAY.PROD.EMPLOYEE.MASTER", "--enqplex", "PRODENQ"}},
        {"/api/v1/contention?where=maxwaittm+%3E+100", {"--report", "--where", "maxwaittm > 100"}},
        {"/api/v1/contention?report=yes&where=owntaskct+%3E%3D+2", {"--report", "--where", "owntaskct >= 2"}},
        {"/api/v1/contention?major=SYSDSN&minor=PAY.PROD.EMPLOYEE.MASTER&enqplex=PRODENQ&where=waittime%3E=87",
         {"--major", "SYSDSN", "--minor", "PAY.PROD.EMPLOYEE.MASTER", "--enqplex", "PRODENQ", "--where",
          "waittime>=87"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const Response r = get(server.port(), c.target);
        ASSERT_EQ(r.status, 200) << r.body;
        EXPECT_EQ(r.contentType, "application/json");
        const json document = parseJson(r.body);
        ASSERT_TRUE(document.is_object()) << r.body;
        EXPECT_EQ(document["version"], 1);
        EXPECT_EQ(document["view"]["status"], 62);
        EXPECT_EQ(document["view"]["ended_normally"], true);
        EXPECT_EQ(document["snapshot"]["source"], demoDb);
        EXPECT_EQ(document["snapshot"]["time_source"], "file");
        EXPECT_EQ(document["snapshot"]["time"], document["snapshot"]["modified_at"]);
        EXPECT_FALSE(document.contains("error"));
        const json rows = queryJson(c.options);
        EXPECT_FALSE(rows.empty());
        EXPECT_EQ(document["rows"], rows);
    }
}

TEST_F(EndpointsTest, TreeIsTheTreeOfTheCommandWholeOrForOneEnqplex) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    for (const std::string enqplex : {"", "MIMPLEX"}) {
        SCOPED_TRACE(enqplex);
        const Response r = get(server.port(), "/api/v1/tree" + (enqplex.empty() ? "" : "?enqplex=" + enqplex));
        ASSERT_EQ(r.status, 200) << r.body;
        EXPECT_EQ(r.contentType, "application/json");
        const json document = parseJson(r.body);
        std::vector<std::string> args{"tree", "--db", demoDb, "--format", "json"};
        if (!enqplex.empty()) args.insert(args.end(), {"--enqplex", enqplex});
        const Output tree = runMentrenq(args);
        ASSERT_EQ(tree.exitCode, 0) << tree.err;
        EXPECT_EQ(document["tree"], parseJson(tree.out));
        EXPECT_EQ(document["view"]["complete"], true);
        EXPECT_EQ(document["version"], 1);
    }
}

TEST_F(EndpointsTest, StatusListsEveryConfiguredEnqplexAndSystemWithItsTasks) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    const Response r = get(server.port(), "/api/v1/status");
    ASSERT_EQ(r.status, 200) << r.body;
    const json document = parseJson(r.body);
    std::vector<std::string> names;
    for (const auto& e : document["enqplexes"]) names.push_back(e["name"]);
    EXPECT_EQ(names, (std::vector<std::string>{"PRODENQ", "MIMPLEX", "*DEFAULT"}));
    // MIMPLEX: CICA runs two waiters and MIMGR's ownership of both resources;
    // CICB one waiter and one true owner.
    const json& mimplex = document["enqplexes"][1];
    EXPECT_EQ(mimplex["contended_resources"], 2);
    EXPECT_EQ(mimplex["longest_wait_seconds"], 118);
    ASSERT_EQ(mimplex["systems"].size(), 2u);
    EXPECT_EQ(mimplex["systems"][0]["name"], "CICA");
    EXPECT_EQ(mimplex["systems"][0]["sysplex"], "CICSPLX");
    EXPECT_EQ(mimplex["systems"][0]["status"], "ACTIVE");
    EXPECT_EQ(mimplex["systems"][0]["waiting_tasks"], 2);
    EXPECT_EQ(mimplex["systems"][1]["waiting_tasks"], 1);
    // PRDE has no task in contention: it is listed all the same.
    bool prde = false;
    for (const auto& s : document["enqplexes"][0]["systems"]) prde = prde || s["name"] == "PRDE";
    EXPECT_TRUE(prde);
}

TEST_F(EndpointsTest, BadRequestsGetFourHundredsWithOneLineOfJson) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    struct Case {
        std::string request;
        int status;
        std::string says;
    };
    const std::string host = " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n";
    const std::vector<Case> cases = {
        {"GET /nowhere" + host + "\r\n", 404, "no such path: /nowhere"},
        {"GET /api/v1/contention?colour=red" + host + "\r\n", 400, "unknown parameter colour"},
        {"GET /api/v1/contention?enqplex=NOSUCH" + host + "\r\n", 400, "has no Enqplex NOSUCH"},
        {"GET /api/v1/contention?where=maxwaittm+%3E+many" + host + "\r\n", 400, "many"},
        {"GET /api/v1/contention?major=SYSZVVDSXX&minor=A&enqplex=PRODENQ" + host + "\r\n", 400, "8"},
        {"GET /api/v1/contention?report=perhaps" + host + "\r\n", 400, "report"},
        {"GET /api/v1/tree?enqplex=A&enqplex=B" + host + "\r\n", 400, "more than once"},
        {"GET /api/v1/status?x=1" + host + "\r\n", 400, "takes none"},
        {"POST /metrics" + host + "Content-Length: 0\r\n\r\n", 405, "use GET"},
        {"DELETE /api/v1/tree" + host + "\r\n", 405, "use GET"},
        {"POST /elsewhere" + host + "Content-Length: 2\r\n\r\nab", 404, "no such path"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        const Response r = sendRequest(server.port(), c.request);
        EXPECT_EQ(r.status, c.status) << r.body;
        EXPECT_EQ(r.contentType, "application/json");
        ASSERT_FALSE(r.body.empty());
        EXPECT_EQ(r.body.find('\n'), r.body.size() - 1) << "one line: " << r.body;
        const json document = parseJson(r.body);
        ASSERT_TRUE(document.is_object()) << r.body;
        EXPECT_EQ(document["status"], c.status);
        EXPECT_NE(document.value("error", "").find(c.says), std::string::npos) << r.body;
    }
}

TEST_F(EndpointsTest, PredicatesTheViewRefusesAreTheRequestsFault) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    for (const std::string target : {"/api/v1/contention?major=SYSDSN", "/api/v1/contention?report&enqplex=MIMPLEX"}) {
        SCOPED_TRACE(target);
        const Response r = get(server.port(), target);
        EXPECT_EQ(r.status, 400);
        const json document = parseJson(r.body);
        EXPECT_EQ(document["view"]["status"], 71);
        EXPECT_EQ(document["view"]["reason"], "status 71: view abandoned (invalid index predicates)");
        EXPECT_EQ(document["rows"], json::array());
    }
}

TEST_F(EndpointsTest, AFailedViewIsAFailureWithItsStatusNeverNoContention) {
    // Storage for the work area but not for the rows: the view is abandoned.
    ServerProcess server({"--db", demoDb, "--storage-limit", "65000"});
    ASSERT_NE(server.port(), 0) << server.log();
    for (const std::string target : {"/api/v1/contention", "/api/v1/tree", "/api/v1/status"}) {
        SCOPED_TRACE(target);
        const Response r = get(server.port(), target);
        EXPECT_EQ(r.status, 503) << r.body;
        const json document = parseJson(r.body);
        ASSERT_TRUE(document.is_object()) << r.body;
        EXPECT_NE(document["view"]["status"], 62);
        EXPECT_FALSE(document["view"]["status"].is_null());
        EXPECT_EQ(document["view"]["ended_normally"], false);
        EXPECT_NE(document.value("error", "").find("status"), std::string::npos) << r.body;
    }
    const Response metrics = get(server.port(), "/metrics");
    ASSERT_EQ(metrics.status, 200);
    EXPECT_NE(metrics.body.find("\nmentrenq_up 0\n"), std::string::npos) << metrics.body;
    // No Enqplex is said to be free of contention while the view fails.
    EXPECT_EQ(metrics.body.find("mentrenq_contended_resources{"), std::string::npos) << metrics.body;
}

TEST_F(EndpointsTest, ASnapshotThatCannotBeReadAnymoreIsAFailure) {
    const std::string db = temporaryPath("vanishing.db");
    std::remove(db.c_str());
    ASSERT_EQ(runMentrenq({"demo", "--out", db}).exitCode, 0);
    ServerProcess server({"--db", db});
    ASSERT_NE(server.port(), 0) << server.log();
    ASSERT_EQ(get(server.port(), "/api/v1/tree").status, 200);
    std::remove(db.c_str());
    const Response r = get(server.port(), "/api/v1/tree");
    EXPECT_EQ(r.status, 503) << r.body;
    const json document = parseJson(r.body);
    EXPECT_TRUE(document["view"]["status"].is_null()) << r.body;
    EXPECT_NE(document.value("error", "").find("no snapshot file"), std::string::npos) << r.body;
    EXPECT_NE(get(server.port(), "/metrics").body.find("\nmentrenq_up 0\n"), std::string::npos);
}

TEST_F(EndpointsTest, EveryRequestIsLoggedOnOneLine) {
    ServerProcess server({"--db", demoDb});
    ASSERT_NE(server.port(), 0) << server.log();
    get(server.port(), "/metrics");
    get(server.port(), "/api/v1/tree?enqplex=%1b%5b2J");
    server.signal(SIGTERM);
    EXPECT_EQ(server.wait(), 0);
    const std::string log = server.log();
    EXPECT_NE(log.find("\"GET /metrics HTTP/1.1\" 200 "), std::string::npos) << log;
    // The escape sequence arrives decoded in no line of the log.
    EXPECT_EQ(log.find('\x1b'), std::string::npos);
    EXPECT_NE(log.find("\"GET /api/v1/tree?enqplex=%1b%5b2J HTTP/1.1\" 400 "), std::string::npos) << log;
}

} // namespace
} // namespace servetest
