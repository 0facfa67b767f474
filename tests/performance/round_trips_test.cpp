// The host round trips of a collection: the fewest the rules allow, and a
// System is never asked about a resource it reported or that already has an
// exclusive true owner.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "collected_run.h"
#include "testing/statement_text.h"
#include "scenarios/generator.h"
#include "sql/query.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

namespace {

using perftest::collect;
using perftest::CollectedRun;
using zrxtest::HostFixture;

constexpr size_t prefixLength = 334;
constexpr size_t statementLimit = 4096;
constexpr size_t tailLength = 46;

using Resource = std::pair<std::string, std::string>; // major (8 bytes), minor without trailing blanks

struct Predicate {
    Resource resource;
    size_t length; // with the "OR " that joins it to the next
};

// The resources a detail statement asks about, in order, and each one's length.
std::vector<Predicate> predicates(const std::string& text) {
    static const std::string major = "( ENQ_RESRC.MAJOR_NAME = '", minor = "' AND ENQ_RESRC.MINOR_NAME = '";
    std::vector<Predicate> out;
    for (size_t at = text.find(major, prefixLength); at != std::string::npos; at = text.find(major, at + 1)) {
        const size_t m = at + major.size();
        const size_t n = m + 8 + minor.size();
        const size_t end = text.find("' ) ", n);
        out.push_back({{text.substr(m, 8), text.substr(n, end - n)}, end + 4 - at + 3});
    }
    return out;
}


// The node of a statement's AT clause.
std::string quoted(const std::string& text) {
    static const std::regex at("AT *\\(\"([^\"]*)\"");
    std::smatch m;
    return std::regex_search(text, m, at) ? zrxtest::trimmed(m[1].str()) : "";
}

struct Answer {
    Resource resource;
    std::string sysname;
    bool exclusiveTrueOwner;
};

// The rows of a statement, read as the module reads them: owner when the
// first byte of the status (or the owning job) says so, true owner when bit
// 0x80 of the flag byte is clear, exclusive when the type is 0.
std::vector<Answer> answers(host::sql::Snapshot& snapshot, const std::string& text, bool detail) {
    std::string error;
    auto q = host::sql::Query::prepare(snapshot, text, error);
    EXPECT_TRUE(q) << error;
    std::vector<Answer> out;
    std::vector<host::sql::Cell> row;
    while (q && q->next(row, error) == host::sql::Query::Step::Row) {
        auto byte = [&](size_t c) { return row[c].null ? 0 : static_cast<unsigned char>(row[c].bytes[0]); };
        Answer a;
        a.resource = {row[0].bytes.substr(0, 8), zrxtest::trimmed(row[1].bytes)};
        if (detail) {
            const bool owner = byte(2) == 1;
            a.sysname = zrxtest::trimmed(row[7].bytes);
            a.exclusiveTrueOwner = owner && byte(5) == 0 && (byte(9) & 0x80) == 0;
        } else {
            const bool owner = !row[5].null && row[5].bytes[0] != ' ';
            a.sysname = zrxtest::trimmed(row[7].bytes);
            a.exclusiveTrueOwner = owner && byte(9) == 0 && (byte(14) & 0x80) == 0;
        }
        out.push_back(a);
    }
    return out;
}

struct Case {
    int enqplexes, sysplexes, systems, resources;
};

class RoundTrips : public ::testing::TestWithParam<Case> {};

TEST_P(RoundTrips, EveryQueryIsNeededAndEveryDetailStatementIsFull) {
    const Case c = GetParam();
    scenarios::GeneratorOptions o;
    o.enqplexes = c.enqplexes;
    o.sysplexes = c.sysplexes;
    o.systems = c.systems;
    o.resources = c.resources;
    HostFixture fx(scenarios::generateEnterpriseSql(o));
    const CollectedRun r = collect(fx, HostFixture::report());
    ASSERT_EQ(r.statuses.back(), noMoreRows);
    const zrx::workA& w = r.work;

    std::map<host::StatementKind, size_t> kinds;
    for (const auto& s : r.statements) ++kinds[host::classifyStatement(s)];
    int plexHubs = 0;
    for (int p = 0; p < w.numEnqplexes; ++p) plexHubs += w.Enqplxs[p].numPHs;
    EXPECT_EQ(w.numEnqplexes, c.enqplexes);
    EXPECT_EQ(plexHubs, c.enqplexes * c.sysplexes);
    EXPECT_EQ(kinds[host::StatementKind::PlexHubs], 1u);
    EXPECT_EQ(kinds[host::StatementKind::ThruNodes], 1u);
    EXPECT_EQ(kinds[host::StatementKind::Members], static_cast<size_t>(plexHubs));
    EXPECT_EQ(kinds[host::StatementKind::Summary], static_cast<size_t>(plexHubs)) << "every Enqplex is wanted";

    // Which System each thru-node belongs to, and what phase I told.
    std::map<std::string, std::pair<int, std::string>> systemAt; // thru-node -> Enqplex, System
    std::map<std::string, int> hubEnqplex;                       // PlexHub thru-node -> Enqplex
    for (int p = 0; p < w.numEnqplexes; ++p) {
        for (int j = 0; j < w.Enqplxs[p].numPHs; ++j)
            hubEnqplex[zrxtest::trimmed(std::string(w.Enqplxs[p].PHThruNodes[j], 32))] = p;
        for (int l = 0; l < w.Enqplxs[p].numSys; ++l) {
            const std::string sys = zrxtest::trimmed(std::string(w.Enqplxs[p].SysNames[l], 8));
            if (w.Enqplxs[p].SysFlags[l] & zrx::thruNodeKnown)
                systemAt[zrxtest::trimmed(std::string(w.Enqplxs[p].SysThruNodes[l], 32))] = {p, sys};
        }
    }
    std::map<int, std::set<Resource>> exclusive;                   // by Enqplex
    std::map<std::string, std::set<Resource>> reported;            // by System
    size_t detailStatements = 0, asked = 0;
    std::string previousSystem;
    std::vector<Predicate> previous;
    for (const auto& s : r.statements) {
        const auto kind = host::classifyStatement(s);
        if (kind == host::StatementKind::Summary) {
            ASSERT_TRUE(hubEnqplex.count(quoted(s))) << quoted(s);
            const int p = hubEnqplex[quoted(s)];
            for (const Answer& a : answers(fx.snapshot(), s, false)) {
                reported[a.sysname].insert(a.resource);
                if (a.exclusiveTrueOwner) exclusive[p].insert(a.resource);
            }
            continue;
        }
        if (kind != host::StatementKind::Detail) continue;
        ++detailStatements;
        ASSERT_LE(s.size(), statementLimit);
        ASSERT_TRUE(systemAt.count(quoted(s))) << quoted(s);
        const auto [p, sys] = systemAt[quoted(s)];
        const auto asks = predicates(s);
        ASSERT_FALSE(asks.empty());
        size_t length = prefixLength + tailLength - 3;
        for (const Predicate& a : asks) {
            length += a.length;
            ++asked;
            EXPECT_FALSE(reported[sys].count(a.resource)) << sys << " reported " << a.resource.first << a.resource.second;
            EXPECT_FALSE(exclusive[p].count(a.resource)) << a.resource.first << a.resource.second << " has its owner";
        }
        EXPECT_EQ(length, s.size());
        // A statement is sent only when the next predicate did not fit.
        if (sys == previousSystem) {
            size_t full = prefixLength + tailLength;
            for (const Predicate& a : previous) full += a.length;
            EXPECT_GT(full + asks.front().length, statementLimit);
        }
        previousSystem = sys;
        previous = asks;
        for (const Answer& a : answers(fx.snapshot(), s, true))
            if (a.exclusiveTrueOwner) exclusive[p].insert(a.resource);
    }
    EXPECT_EQ(kinds[host::StatementKind::Detail], detailStatements);
    if (c.sysplexes > 1) {
        EXPECT_GT(asked, 0u);
    }
    EXPECT_EQ(r.statements.size(), 2 + 2 * static_cast<size_t>(plexHubs) + detailStatements);
}

INSTANTIATE_TEST_SUITE_P(Enterprises, RoundTrips,
                         ::testing::Values(Case{1, 1, 1, 40}, Case{1, 2, 4, 250}, Case{2, 8, 8, 60},
                                           Case{8, 2, 2, 20}));

} // namespace
