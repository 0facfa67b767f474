#include "fuzz_world.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "core/session_run.h"
#include "frame/entries.h"
#include "row_rules.h"
#include "sql/tokenizer.h"
#include "support/fixed_width.h"
#include "zrx/status.h"

namespace fuzz {

namespace {

const char* const tables[] = {"INODESTS", "MXCFSYS", "MGLBLENQ", "ENQ_RESRC", "ENQ_TASKS"};

void checkStatement(const std::string& text) {
    std::vector<host::sql::Token> tokens;
    if (const std::string why = reliability::notOneStatement(text, tokens); !why.empty())
        fail("not exactly one statement: " + why + "\n" + text);
}

} // namespace

void fail(const std::string& what) {
    std::fprintf(stderr, "broken promise: %s\n", what.c_str());
    std::abort();
}

std::string blob(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "CAST(X'";
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out + "' AS TEXT)";
}

World& World::instance() {
    static World world;
    return world;
}

World::World() {
    std::string error;
    snapshot_ = host::sql::Snapshot::createInMemory(error);
    if (!snapshot_) fail("snapshot: " + error);
    source_ = std::make_unique<host::SnapshotSource>(*snapshot_);
    host_.setDataSource(source_.get());
    module_ = host::Module::linked(&cnt1entd, error);
    if (!module_) fail("module: " + error);
}

void World::load(const std::string& inserts) {
    std::string sql = "BEGIN;";
    for (const char* t : tables) sql += std::string("DELETE FROM ") + t + ";";
    sql += inserts + "COMMIT;";
    std::string error;
    if (!snapshot_->exec(sql, error)) fail("loading rows: " + error);
}

void World::use(std::unique_ptr<host::sql::Snapshot> snapshot) {
    auto source = std::make_unique<host::SnapshotSource>(*snapshot);
    host_.setDataSource(source.get());
    source_ = std::move(source);
    snapshot_ = std::move(snapshot);
}

QueryResult World::run(const std::vector<host::Predicate>& predicates) {
    QueryResult r;
    host_.clearStatements();
    host::SessionOptions options;
    options.predicates = predicates;
    {
        host::Session s(host_, *module_, options);
        host::RunHooks hooks;
        hooks.afterStart = [](host::Session&, int32_t start) {
            if (!zrx::entry::startResult(start)) fail("session start status " + std::to_string(start));
        };
        hooks.afterRequest = [](host::Session&, int32_t status) {
            if (!zrx::entry::requestResult(status)) fail("request status " + std::to_string(status));
            return true;
        };
        // More calls than loop control allows, so that loop control is what
        // ends a runaway query.
        host::SessionRun run = host::runSession(s, {4100, 0}, hooks);
        r.start = run.start;
        r.requests = std::move(run.requests);
        r.rows = std::move(run.rows);
        r.end = run.end;
        if (r.end != 0) fail("session end status " + std::to_string(r.end));
        if (run.liveAtEnd.any()) fail("the session end left an object open");
    }
    if (host_.storageOutstanding() != 0) fail("storage outstanding after the session");
    r.statements = host_.statements();
    for (const auto& text : r.statements) checkStatement(text);

    std::set<std::string> enqplexes;
    // Summary mode as the module decides it: the last REPORT value, up to
    // its first blank and at most 3 characters, is "YES".
    bool report = false;
    for (const auto& p : predicates)
        if (p.column == zrx::reportPredicate.column)
            report = p.value.substr(0, std::min(p.value.find(' '), size_t{3})) == zrx::reportPredicate.value;
    for (const auto& row : r.rows) {
        enqplexes.insert(zrxtest::trimmed(row.enqplex));
    }
    const auto violations =
        reliability::ruleViolations(r.rows, !report, {enqplexes.begin(), enqplexes.end()});
    if (!violations.empty()) fail("rows break the rules: " + violations.front());
    // ZRX_FUZZ_SHOW=1 shows what each query did, to check what a seed reaches.
    static const bool show = std::getenv("ZRX_FUZZ_SHOW") != nullptr;
    if (show) {
        std::fprintf(stderr, "query: start %d, %zu request calls, last %d, %zu rows, %zu statements\n", r.start,
                     r.requests.size(), r.requests.empty() ? -1 : r.requests.back(), r.rows.size(),
                     r.statements.size());
    }
    return r;
}

} // namespace fuzz
