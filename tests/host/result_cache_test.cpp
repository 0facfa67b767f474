// Answers kept per snapshot version: bounded in bytes, never given for
// another version, and invisible to the module, the statement log, the fault
// plan and the trace.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <stdexcept>
#include <thread>

#include "testing/fault_plan.h"
#include "core/data_source.h"
#include "core/result_cache.h"
#include "core/session_run.h"
#include "frame/entries.h"
#include "scenarios/texts.h"
#include "support/trace_recorder.h"

namespace {

using host::CachedAnswer;
using host::ResultCache;
using host::sql::SnapshotVersion;

SnapshotVersion versionOf(uint64_t memory, uint64_t changes = 0) {
    SnapshotVersion v;
    v.memory = memory;
    v.changes = changes;
    return v;
}

// An answer of `rows` rows of one 100-byte cell.
std::shared_ptr<CachedAnswer> answerOf(size_t rows, char fill = 'x') {
    auto answer = std::make_shared<CachedAnswer>();
    answer->kind = host::StatementKind::Members;
    answer->columns.push_back({});
    for (size_t i = 0; i < rows; ++i) answer->rows.push_back({host::sql::Cell{false, std::string(100, fill)}});
    return answer;
}

TEST(ResultCache, KeepsWithinItsBoundWhatWasUsedLast) {
    const size_t bound = 4 * answerOf(10)->bytes() + 400;
    ResultCache cache(bound);
    const auto v = versionOf(1);
    for (const char* text : {"A", "B", "C"}) cache.keep(v, text, answerOf(10));
    EXPECT_EQ(cache.figures().answers, 3u);
    ASSERT_TRUE(cache.find(v, "A")); // A is now the one used last
    cache.keep(v, "D", answerOf(10));
    cache.keep(v, "E", answerOf(10));
    const auto figures = cache.figures();
    EXPECT_LE(figures.bytes, bound);
    EXPECT_EQ(figures.evicted, 1u);
    EXPECT_FALSE(cache.find(v, "B")) << "used longest ago, it went first";
    for (const char* text : {"A", "C", "D", "E"}) EXPECT_TRUE(cache.find(v, text)) << text;
    // The answer handed out stays whole however the cache changes after.
    auto held = cache.find(v, "C");
    for (const char* text : {"F", "G", "H", "I"}) cache.keep(v, text, answerOf(10, 'y'));
    EXPECT_FALSE(cache.find(v, "C"));
    ASSERT_EQ(held->rows.size(), 10u);
    EXPECT_EQ(held->rows[9][0].bytes, std::string(100, 'x'));
}

TEST(ResultCache, AnAnswerLargerThanAQuarterOfTheBoundIsNotKept) {
    ResultCache cache(4 * answerOf(10)->bytes());
    cache.keep(versionOf(1), "large", answerOf(11));
    cache.keep(versionOf(1), "fits", answerOf(5));
    EXPECT_FALSE(cache.find(versionOf(1), "large"));
    EXPECT_TRUE(cache.find(versionOf(1), "fits"));
}

TEST(ResultCache, AReaderAnswersWhatItFoundOnlyForThatVersionAndWithinItsBound) {
    const size_t bound = 8 * answerOf(10)->bytes();
    ResultCache cache(bound);
    ResultCache::Reader reader(cache);
    cache.keep(versionOf(1), "A", answerOf(10));
    cache.keep(versionOf(1), "B", answerOf(10, 'y'));
    ASSERT_TRUE(reader.find(versionOf(1), "A"));
    const auto again = reader.find(versionOf(1), "A");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->rows[0][0].bytes, std::string(100, 'x'));
    EXPECT_EQ(reader.find(versionOf(1), "B")->rows[0][0].bytes, std::string(100, 'y'));
    EXPECT_EQ(cache.figures().hits, 3u) << "hits of the reader are the cache's";
    // What the reader holds is not given for a changed snapshot, even while
    // the shared cache has not yet been asked about the change.
    EXPECT_FALSE(reader.find(versionOf(1, 1), "A"));
    EXPECT_EQ(cache.figures().answers, 0u);
    // A reader holds at most a quarter of the bound: finding more drops what
    // it held, never what the cache keeps.
    const auto v = versionOf(2);
    for (const char* text : {"C", "D", "E"}) cache.keep(v, text, answerOf(10));
    for (const char* text : {"C", "D", "E"}) ASSERT_TRUE(reader.find(v, text)) << text;
    EXPECT_EQ(cache.figures().answers, 3u);
    const uint64_t hits = cache.figures().hits;
    ASSERT_TRUE(reader.find(v, "C"));
    EXPECT_EQ(cache.figures().hits, hits + 1);
}

TEST(ResultCache, AnotherVersionFindsNothingAndDropsEverything) {
    ResultCache cache;
    cache.keep(versionOf(1), "A", answerOf(1));
    ASSERT_TRUE(cache.find(versionOf(1), "A"));
    EXPECT_FALSE(cache.find(versionOf(1, 1), "A")) << "the same snapshot, changed";
    EXPECT_EQ(cache.figures().answers, 0u);
    EXPECT_EQ(cache.figures().versionsDropped, 1u);
    cache.keep(versionOf(1, 1), "A", answerOf(2));
    EXPECT_FALSE(cache.find(versionOf(2), "A")) << "another snapshot";
    SnapshotVersion unsettled = versionOf(1, 1);
    unsettled.unsettled = 5;
    EXPECT_FALSE(cache.find(unsettled, "A"));
}

// Two hosts on one snapshot: one with a result cache, one without.
std::unique_ptr<host::sql::Snapshot> snapshotOf(std::string_view scenario) {
    std::string error;
    auto snapshot = host::sql::Snapshot::createInMemory(error);
    if (!snapshot || !snapshot->exec(scenario, error)) throw std::runtime_error(error);
    return snapshot;
}

std::unique_ptr<host::Module> linkedModule() {
    std::string error;
    auto module = host::Module::linked(&cnt1entd, error);
    if (!module) throw std::runtime_error(error);
    return module;
}

struct TwoHosts {
    explicit TwoHosts(std::string_view scenario) : snapshot(snapshotOf(scenario)), module(linkedModule()) {}
    std::unique_ptr<host::sql::Snapshot> snapshot;
    std::unique_ptr<host::Module> module;
    ResultCache cache;
    host::SnapshotSource cached{*snapshot, &cache};
    host::SnapshotSource plain{*snapshot};
    host::Host withCache{&cached};
    host::Host without{&plain};

    host::SessionRun run(host::Host& h, std::vector<host::Predicate> predicates) {
        host::SessionOptions options;
        options.predicates = std::move(predicates);
        host::Session session(h, *module, options);
        return host::runSession(session);
    }
};

std::vector<std::vector<host::Predicate>> demoQueries() {
    return {{{"REPORT", zrx::IndexOp::EQ, "YES"}},
            {{"MAJORNAME", zrx::IndexOp::EQ, "SYSDSN"}, {"MINORNAME", zrx::IndexOp::EQ, "AR.PROD.INVOICE.KSDS"}, {"ENQPLEX", zrx::IndexOp::EQ, "MIMPLEX"}},
            {{"MAJORNAME", zrx::IndexOp::EQ, "SYSDSN"}, {"MINORNAME", zrx::IndexOp::EQ, "PAY.PROD.EMPLOYEE.MASTER"}, {"ENQPLEX", zrx::IndexOp::EQ, "PRODENQ"}},
            {{"REPORT", zrx::IndexOp::EQ, "YES"}, {"ENQPLEX", zrx::IndexOp::EQ, "PRODENQ"}}};
}

bool sameRows(const std::vector<zrx::MentrenqRow>& a, const std::vector<zrx::MentrenqRow>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        zrx::MentrenqRow x = a[i], y = b[i];
        x.padding = y.padding = 0;
        if (std::memcmp(&x, &y, sizeof x) != 0) return false;
    }
    return true;
}

// The trace with addresses masked, as records in order.
std::vector<std::string> traceOf(const zrxtest::TraceRecorder& recorder) {
    static const std::regex address("0x[0-9a-fA-F]+|[ 0-9A-F]{7,}[0-9A-F]");
    std::vector<std::string> out;
    for (const auto& r : recorder.records()) {
        std::string text = r.routine + ":" + std::to_string(r.line) + ":" + std::to_string(static_cast<int>(r.kind));
        if (r.kind == platform::TraceKind::Line) text += " " + std::regex_replace(r.text, address, "@");
        if (r.kind == platform::TraceKind::ExitResult && r.result > -1024 && r.result < 1024)
            text += " = " + std::to_string(r.result);
        out.push_back(std::move(text));
    }
    return out;
}

TEST(ResultCache, SessionsDoAndSeeTheSameWithItAsWithout) {
    TwoHosts hosts(scenarios::demoEnterpriseSql());
    zrxtest::TraceRecorder recorder("all");
    for (int round = 0; round < 2; ++round) {
        for (const auto& query : demoQueries()) {
            recorder.clear();
            const host::SessionRun a = hosts.run(hosts.withCache, query);
            const auto traceA = traceOf(recorder);
            recorder.clear();
            const host::SessionRun b = hosts.run(hosts.without, query);
            EXPECT_EQ(a.finalStatus(), b.finalStatus());
            EXPECT_EQ(a.requests, b.requests);
            EXPECT_TRUE(sameRows(a.rows, b.rows));
            EXPECT_TRUE(traceA == traceOf(recorder)) << "round " << round;
        }
    }
    EXPECT_EQ(hosts.withCache.statements(), hosts.without.statements());
    for (size_t op = 0; op < host::operationCount; ++op)
        EXPECT_EQ(host::faults(hosts.withCache).calls(static_cast<host::Operation>(op)),
                  host::faults(hosts.without).calls(static_cast<host::Operation>(op)))
            << "operation " << op;
    const auto figures = hosts.cache.figures();
    // Seven sessions after the first, each asking most of its questions again.
    EXPECT_GE(figures.hits, 4 * figures.answers);
    EXPECT_GT(figures.answers, 3u);
}

TEST(ResultCache, AnswersFromItAreMalformedAsTheFaultPlanSays) {
    TwoHosts hosts(scenarios::demoEnterpriseSql());
    const auto report = demoQueries()[0];
    hosts.run(hosts.withCache, report); // every configuration answer kept
    ASSERT_GT(hosts.cache.figures().answers, 0u);
    host::ResultFault fault;
    fault.statement = host::StatementKind::Members;
    fault.nullColumn = 0;
    fault.nthRow = 2;
    host::faults(hosts.withCache).malformResult(fault);
    host::faults(hosts.without).malformResult(fault);
    const uint64_t hits = hosts.cache.figures().hits;
    const host::SessionRun a = hosts.run(hosts.withCache, report);
    const host::SessionRun b = hosts.run(hosts.without, report);
    EXPECT_GT(hosts.cache.figures().hits, hits);
    EXPECT_GT(a.rows.size(), 0u);
    EXPECT_TRUE(sameRows(a.rows, b.rows));
    EXPECT_EQ(a.finalStatus(), b.finalStatus());
    EXPECT_EQ(host::faults(hosts.withCache).injected(), host::faults(hosts.without).injected());
    EXPECT_GT(host::faults(hosts.withCache).injected(), 0u);
}

TEST(ResultCache, AChangedSnapshotIsNeverAnsweredFromIt) {
    TwoHosts hosts(scenarios::demoEnterpriseSql());
    const auto report = demoQueries()[0];
    const host::SessionRun before = hosts.run(hosts.withCache, report);
    std::string error;
    // MIMPLEX's Systems leave it: its resources are reported under *DEFAULT.
    ASSERT_TRUE(hosts.snapshot->exec("UPDATE MXCFSYS SET ENQPLEX = NULL WHERE ENQPLEX LIKE 'MIMPLEX%';", error))
        << error;
    const host::SessionRun after = hosts.run(hosts.withCache, report);
    const host::SessionRun fresh = hosts.run(hosts.without, report);
    EXPECT_TRUE(sameRows(after.rows, fresh.rows));
    EXPECT_FALSE(sameRows(before.rows, after.rows));
    EXPECT_EQ(hosts.cache.figures().versionsDropped, 1u);
}

TEST(ResultCache, SessionsOnSeveralThreadsShareIt) {
    TwoHosts hosts(scenarios::demoEnterpriseSql());
    const auto queries = demoQueries();
    std::vector<host::SessionRun> expected;
    for (const auto& q : queries) expected.push_back(hosts.run(hosts.without, q));
    std::vector<std::thread> threads;
    std::vector<std::string> failures(4);
    for (size_t t = 0; t < failures.size(); ++t) {
        std::string error;
        auto copy = host::sql::Snapshot::openSameVersion(*hosts.snapshot, error);
        ASSERT_TRUE(copy) << error;
        threads.emplace_back([&, t, snapshot = std::shared_ptr<host::sql::Snapshot>(std::move(copy))] {
            host::SnapshotSource source(*snapshot, &hosts.cache);
            host::Host h(&source);
            for (int round = 0; round < 3; ++round)
                for (size_t q = 0; q < queries.size(); ++q) {
                    host::SessionOptions options;
                    options.predicates = queries[q];
                    host::Session session(h, *hosts.module, options);
                    if (!sameRows(host::runSession(session).rows, expected[q].rows))
                        failures[t] = "query " + std::to_string(q) + " answered otherwise";
                }
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& failure : failures) EXPECT_EQ(failure, "");
    EXPECT_GT(hosts.cache.figures().hits, 0u);
}

} // namespace
