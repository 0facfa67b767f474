// Hostile caller input and hostile names in the enterprise: whatever the
// predicates and the node names hold, every SQL text the host receives is
// one statement, and every name it carries reads back unchanged through the
// host's tokenizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iostream>
#include <set>

#include "reliability_harness.h"
#include "row_rules.h"
#include "sql/tokenizer.h"
#include "support/enterprise_builder.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;
using zrx::entry::viewAbandoned;

namespace reliability {
namespace {

using host::sql::Token;
using host::sql::TokenKind;
using zrxtest::EnterpriseBuilder;

// Thru-nodes, a System and resource names full of quotes, semicolons and
// comment marks. ENQP1 has two Sysplexes, so phase II asks SY'A1 about
// the resource that PLB's Sysplex only waits for.
const char thruA[] = "RT\"PL'A;--";
const char thruB[] = "RT'PLB\"";
const char thruSysA[] = "RT\"SY'A1";
const char thruSysB[] = "RT;SYSB1--";
const char majorA[] = "SYS'DSN";
const char minorA[] = "O'BRIEN\"S;--DATA";
const char majorB[] = "SPF\"EDIT";
const char minorB[] = "';DROP_TABLE_MGLBLENQ;--";

std::string hostileEnterprise() {
    EnterpriseBuilder b;
    b.plexHub("PL\"A:PLEXHUB", thruA).plexHub("PLB:PLEXHUB", thruB);
    b.agent("SY'A1:AGENT", thruSysA).agent("SYSB1:AGENT", thruSysB);
    b.member(thruA, "SY'A1", "ENQP1").member(thruB, "SYSB1", "ENQP1");
    b.summary(thruA, {majorA, minorA, "JOBA", "", "SY'A1", 0, 0x21, 0});
    b.summary(thruB, {majorA, minorA, "", "JOB\"B", "SYSB1", 0, 0x22, 30});
    b.summary(thruB, {majorB, minorB, "", "JOBC", "SYSB1", 0, 0x23, 8});
    b.resource(thruSysA, 1, majorB, minorB);
    b.task(thruSysA, {1, true, "JOB'O", "SY'A1", 0, 0x24, 0, 0});
    return b.sql();
}

struct Carried {
    std::vector<std::string> atNodes;          // AT ("...") values
    std::vector<std::string> majors, minors;   // literals compared with the names
};

// Tokenizes one statement text: it must be exactly one statement (at most
// one ";", and only as its last token); collects the names it carries.
bool readStatement(const std::string& text, Carried& c, std::string& why) {
    std::vector<Token> tokens;
    why = reliability::notOneStatement(text, tokens);
    if (!why.empty()) return false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == TokenKind::Word && t.text == "AT" && i + 2 < tokens.size() &&
            tokens[i + 1].text == "(" && tokens[i + 2].kind == TokenKind::QuotedString)
            c.atNodes.push_back(tokens[i + 2].text);
        if (t.kind == TokenKind::Word && i + 2 < tokens.size() && tokens[i + 1].text == "=" &&
            tokens[i + 2].kind == TokenKind::String) {
            if (t.text == "MAJORNAME" || t.text == "MAJOR_NAME") c.majors.push_back(tokens[i + 2].text);
            if (t.text == "MINORNAME" || t.text == "MINOR_NAME") c.minors.push_back(tokens[i + 2].text);
        }
    }
    return true;
}

// The value as the module takes it: up to its first blank, at most `width`.
std::string taken(const std::string& value, size_t width) {
    size_t n = 0;
    while (n < width && n < value.size() && value[n] != ' ') ++n;
    return value.substr(0, n);
}

// A minor name keeps blanks of its own and loses only its padding.
std::string takenMinor(const std::string& value) {
    if (!value.empty() && value[0] == ' ') return "";
    return zrxtest::trimmed(value.substr(0, std::min<size_t>(255, value.find('\0'))));
}

Carried expectOneStatementEach(const Outcome& o) {
    Carried c;
    for (const auto& text : o.statements) {
        std::string why;
        EXPECT_TRUE(readStatement(text, c, why)) << why << "\n  in: " << text;
    }
    // Every thru-node reads back whole (the module sends the 32-byte field).
    const std::set<std::string> nodes = {thruA, thruB, thruSysA, thruSysB};
    for (const auto& at : c.atNodes) EXPECT_TRUE(nodes.count(zrxtest::trimmed(at))) << "AT (" << at << ")";
    return c;
}

void expectSessionSound(const Outcome& o) {
    EXPECT_EQ(o.start, 0);
    EXPECT_TRUE(o.last() == noMoreRows || o.last() == viewAbandoned);
    EXPECT_EQ(o.end, 0);
    EXPECT_FALSE(o.liveAtEnd.any());
    EXPECT_EQ(o.hostStorageOutstanding, 0u);
}

std::vector<std::string> hostileValues() {
    std::vector<std::string> v = {
        "'",  "''''''''", "O'BRIEN", "\"", "A\"B", "\"\"\"\"", ";", "X;DROP", "A--B", "--",
        "SELECT", "DELETE", "';DROP", "')OR('1'='1", "\"AT\"", "LIKE", "*", "%", "_", "\\",
        "", " ", "A B", "\xC3\xA9T\xC3\xA9", "\xFF\xFE\x80", "\x01\x02\x1F", "\t\n\r",
        std::string(8, '\''), std::string(9, 'M'), std::string(255, '\''), std::string(255, 'N'),
        std::string(256, 'N'), std::string(10000, 'V'), std::string(10000, '\''),
        std::string(10000, '"'),
    };
    v.push_back(std::string(majorA));
    v.push_back(std::string(minorA));
    return v;
}

TEST(HostileInput, HostileNamesInTheEnterpriseTravelQuotedAndComeBackUnchanged) {
    Enterprise e("hostile", hostileEnterprise());
    const Outcome report = e.run(zrxtest::HostFixture::report());
    expectSessionSound(report);
    ASSERT_EQ(report.last(), noMoreRows);
    ASSERT_EQ(report.rows.size(), 2u);
    EXPECT_EQ(zrxtest::trimmed(report.rows[0].majorname), majorA);
    EXPECT_EQ(zrxtest::trimmed(report.rows[0].minorname), minorA);
    EXPECT_EQ(zrxtest::trimmed(report.rows[1].majorname), majorB);
    EXPECT_EQ(zrxtest::trimmed(report.rows[1].minorname), minorB);
    // Phase II found the owner of the second resource on SY'A1.
    EXPECT_EQ(report.rows[1].owntaskct, 1);

    const Carried c = expectOneStatementEach(report);
    // Each PlexHub's MXCFSYS and MGLBLENQ, and SY'A1's detail statement.
    EXPECT_EQ(std::count(c.atNodes.begin(), c.atNodes.end(), std::string(thruA) + std::string(32 - sizeof thruA + 1, ' ')), 2);
    EXPECT_EQ(std::count(c.atNodes.begin(), c.atNodes.end(), std::string(thruB) + std::string(32 - sizeof thruB + 1, ' ')), 2);
    EXPECT_EQ(std::count(c.atNodes.begin(), c.atNodes.end(), std::string(thruSysA) + std::string(32 - sizeof thruSysA + 1, ' ')), 1);
    EXPECT_EQ(c.majors, (std::vector<std::string>{majorB}));
    EXPECT_EQ(c.minors, (std::vector<std::string>{minorB}));

    const Outcome one = e.run(zrxtest::HostFixture::resource(majorA, minorA, "ENQP1"));
    expectSessionSound(one);
    EXPECT_EQ(one.last(), noMoreRows);
    EXPECT_EQ(one.rows.size(), 2u);
    const Carried d = expectOneStatementEach(one);
    // Both PlexHubs' summary queries name the resource exactly.
    EXPECT_EQ(d.majors, (std::vector<std::string>(2, majorA)));
    EXPECT_EQ(d.minors, (std::vector<std::string>(2, minorA)));
}

TEST(HostileInput, HostilePredicateValuesReachTheHostAsOneStatementWithTheNamesUnchanged) {
    Enterprise e("hostile", hostileEnterprise());
    size_t tried = 0;
    for (const std::string& value : hostileValues()) {
        for (int column = 0; column < 3; ++column) {
            std::vector<host::Predicate> p = zrxtest::HostFixture::resource(majorA, minorA, "ENQP1");
            p[static_cast<size_t>(column)].value = value;
            const Outcome o = e.run(p);
            ++tried;
            SCOPED_TRACE("column " + p[static_cast<size_t>(column)].column + " value of " +
                         std::to_string(value.size()) + " bytes '" + value.substr(0, 40) + "': " +
                         describe(o));
            expectSessionSound(o);
            const Carried c = expectOneStatementEach(o);
            const std::string major = taken(p[0].value, 8), minor = takenMinor(p[1].value);
            if (taken(p[2].value, 8).empty()) {
                // No Enqplex named: not a resource query.
                EXPECT_EQ(o.requests, std::vector<int32_t>{viewAbandoned});
                EXPECT_TRUE(o.statements.empty());
                continue;
            }
            // An empty name is a name: it is asked for, and matches nothing.
            if (major.empty() || minor.empty()) {
                EXPECT_TRUE(o.rows.empty());
            }
            for (const auto& m : c.majors) EXPECT_EQ(m, major);
            for (const auto& m : c.minors) EXPECT_EQ(m, minor);
            if (o.last() == noMoreRows && !o.rows.empty()) {
                EXPECT_EQ(zrxtest::trimmed(o.rows[0].majorname), major);
                EXPECT_EQ(zrxtest::trimmed(o.rows[0].minorname), minor);
            }
        }
    }
    std::cout << "[ hostile  ] " << tried << " hostile predicate values\n";
    ::testing::Test::RecordProperty("hostile_values", static_cast<int>(tried));
}

TEST(HostileInput, UnknownColumnsAreIgnoredAndEveryOperatorButEqualsIsRefused) {
    Enterprise e("hostile", hostileEnterprise());
    const Outcome plain = e.run(zrxtest::HostFixture::report());
    const std::vector<std::string> columns = {
        "FOO", "majorname", "MAJORNAME ", " REPORT", "MAJORNAME;", "MAJORNAME'--", "", "\xC3\x89",
        std::string(10000, 'C'), "REPORT\"", "ENQ_RESRC.MAJOR_NAME"};
    size_t tried = 0;
    for (const auto& column : columns) {
        const Outcome o = e.run({host::Predicate::report(), {column, zrx::IndexOp::EQ, "X'Y"}});
        ++tried;
        SCOPED_TRACE("column '" + column.substr(0, 40) + "': " + describe(o));
        expectSessionSound(o);
        EXPECT_EQ(o.requests, plain.requests);
        EXPECT_TRUE(sameRows(o.rows, plain.rows));
        EXPECT_EQ(o.statements, plain.statements);
    }
    const std::vector<int16_t> codes = {SHRT_MIN, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 100, SHRT_MAX};
    for (int16_t code : codes) {
        for (const char* column : {"REPORT", "MAJORNAME", "FOO"}) {
            auto predicates = zrxtest::HostFixture::report();
            if (std::string(column) == "REPORT")
                predicates[0].op = static_cast<zrx::IndexOp>(code);
            else
                predicates.push_back({column, static_cast<zrx::IndexOp>(code), "SYSDSN"});
            const Outcome o = e.run(predicates);
            ++tried;
            SCOPED_TRACE(std::string(column) + " operator " + std::to_string(code) + ": " + describe(o));
            expectSessionSound(o);
            const bool refused = std::string(column) == "REPORT" ? code != 1 : std::string(column) == "MAJORNAME";
            if (refused) {
                EXPECT_EQ(o.requests, std::vector<int32_t>{viewAbandoned});
                EXPECT_TRUE(o.statements.empty());
            } else {
                EXPECT_TRUE(sameRows(o.rows, plain.rows));
            }
        }
    }
    std::cout << "[ hostile  ] " << tried << " unknown columns and operator codes\n";
}

} // namespace
} // namespace reliability
