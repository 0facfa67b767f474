// The output SQLDA as the module reads it, by byte offset: the column count,
// the entries, their lengths, values and null indicators; refilled by every
// FetchRow; malformed on demand; and how the host tells the module's
// statements apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/statement_text.h"
#include "host_ops_fixture.h"
#include "zrx/status.h"

using zrx::fetch::endOfData;

namespace {

using host::ResultFault;
using host::StatementKind;
using hosttest::HostOps;
using hosttest::Statement;

// One column entry read through the documented offsets only.
struct Entry {
    int16_t length;
    std::string value;
    int16_t nullInd;
};

const unsigned char* bytesOf(const zrx::SQLDA* d) { return reinterpret_cast<const unsigned char*>(d); }

int16_t countOf(const zrx::SQLDA* d) {
    int16_t n;
    std::memcpy(&n, bytesOf(d) + 12, sizeof n);
    return n;
}

Entry entry(const zrx::SQLDA* d, int i) {
    const unsigned char* e = bytesOf(d) + 16 + static_cast<size_t>(i) * sizeof(zrx::SqlColumn);
    Entry out{};
    std::memcpy(&out.length, e + 2, sizeof out.length);
    const char* value = nullptr;
    const int16_t* ind = nullptr;
    std::memcpy(&value, e + 16, sizeof value);
    std::memcpy(&ind, e + 32, sizeof ind);
    out.value.assign(value, static_cast<size_t>(out.length));
    out.nullInd = *ind;
    return out;
}

std::string le(uint32_t v, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i, v >>= 8) out += static_cast<char>(v & 0xFF);
    return out;
}

const std::vector<int16_t> summaryWidths = {8, 255, 4, 4, 4, 8, 8, 8, 1, 1, 2, 4, 3, 32, 1};

class Sqlda : public HostOps {};

TEST_F(Sqlda, DescribesTheDeclaredColumnsBeforeTheFirstRow) {
#if UINTPTR_MAX == 0xFFFFFFFFu
    static_assert(sizeof(zrx::SqlColumn) == 68);
#endif
    Statement s;
    opened(s);
    ASSERT_EQ(countOf(s.out), 15);
    for (int i = 0; i < 15; ++i) {
        const Entry e = entry(s.out, i);
        EXPECT_EQ(e.length, summaryWidths[static_cast<size_t>(i)]) << "column " << i;
        EXPECT_EQ(e.nullInd, -1) << "column " << i;
        EXPECT_EQ(e.value, std::string(static_cast<size_t>(e.length), ' ')) << "column " << i;
    }

    Statement members;
    opened(members, hosttest::membersText());
    ASSERT_EQ(countOf(members.out), 7);
    const std::vector<int16_t> widths = {8, 4, 4, 16, 16, 32, 32};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(entry(members.out, i).length, widths[static_cast<size_t>(i)]);
}

TEST_F(Sqlda, AskedAgainTheCursorHandsOutTheSameDescription) {
    Statement s;
    opened(s);
    zrx::SQLDA* const sqlda = s.out;
    ASSERT_EQ(fetch(s), 0);
    // A later change of the fault plan must not move what the module holds.
    faults().malformResult({StatementKind::Summary, 0, 40});
    ASSERT_EQ(output(s), 0);
    EXPECT_EQ(s.out, sqlda);
    EXPECT_EQ(countOf(sqlda), 15);
    ASSERT_EQ(fetch(s), 0);
    EXPECT_EQ(entry(sqlda, 0).value, "SPFEDIT ");
}

TEST_F(Sqlda, EveryFetchRefillsTheSameSqlda) {
    Statement s;
    opened(s);
    zrx::SQLDA* const sqlda = s.out;

    ASSERT_EQ(fetch(s), 0);
    const std::vector<std::string> first = {
        "SYSDSN  ", zrxtest::field("SYS1.PARMLIB", 255), le(2, 4), le(3, 4), le(45, 4), "JOBOWN  ", "        ",
        "SYSA    ", le(1, 1), le(1, 1), le(31, 2), le(120, 4), "YES", zrxtest::field("PLXA:HUB", 32), le(0x80, 1)};
    for (int i = 0; i < 15; ++i) {
        const Entry e = entry(sqlda, i);
        EXPECT_EQ(e.nullInd, 0) << "column " << i;
        EXPECT_EQ(e.value, first[static_cast<size_t>(i)]) << "column " << i;
    }

    ASSERT_EQ(fetch(s), 0);
    EXPECT_EQ(s.out, sqlda);
    EXPECT_EQ(entry(sqlda, 0).value, "SPFEDIT ");
    EXPECT_EQ(entry(sqlda, 3).value, le(7, 4));
    for (int i : {1, 2, 4, 8, 9, 10, 11, 12, 13, 14}) EXPECT_EQ(entry(sqlda, i).nullInd, -1) << "column " << i;
    EXPECT_EQ(entry(sqlda, 3).nullInd, 0);

    ASSERT_EQ(fetch(s), 0);
    EXPECT_EQ(entry(sqlda, 1).nullInd, 0);
    EXPECT_EQ(entry(sqlda, 1).value, zrxtest::field("VOL001", 255));
    EXPECT_EQ(entry(sqlda, 10).value, le(258, 2));
    EXPECT_EQ(entry(sqlda, 11).value, le(0xFFFFFFFFu, 4));

    EXPECT_EQ(fetch(s), endOfData);
    EXPECT_EQ(fetch(s), endOfData);
    EXPECT_EQ(calls(host::Operation::FetchRow), 5u);
}

TEST_F(Sqlda, ColumnCountCanBeMadeWrongForOneKindOfStatement) {
    faults().malformResult({StatementKind::Summary, 0, -1});
    faults().malformResult({StatementKind::Members, 0, 2});
    Statement summary, members, nodes;
    opened(summary);
    opened(members, hosttest::membersText());
    opened(nodes, hosttest::withArg(zrx::sqltext::plexHubQuery, "10000000"));
    EXPECT_EQ(countOf(summary.out), 14);
    EXPECT_EQ(countOf(members.out), 9);
    EXPECT_EQ(countOf(nodes.out), 2);

    ASSERT_EQ(fetch(members), 0);
    EXPECT_EQ(entry(members.out, 0).value, "SYSA    ");
    EXPECT_EQ(entry(members.out, 7).length, 1);
    EXPECT_EQ(entry(members.out, 8).value, " ");
    EXPECT_EQ(entry(members.out, 8).nullInd, 0);
    ASSERT_EQ(fetch(summary), 0);
    EXPECT_EQ(entry(summary.out, 13).value, zrxtest::field("PLXA:HUB", 32));

    faults().clear();
    faults().malformResult({StatementKind::PlexHubs, 0, -5});
    Statement none;
    opened(none, hosttest::withArg(zrx::sqltext::plexHubQuery, "10000000"));
    EXPECT_EQ(countOf(none.out), 0);
    EXPECT_EQ(fetch(none), 0);
    EXPECT_EQ(faults().injected(), 1u);
}

TEST_F(Sqlda, ValuesCanBeMadeLongerOrNullOnChosenRows) {
    faults().malformResult({StatementKind::Summary, 0, 0, 1, 10});
    faults().malformResult({StatementKind::Summary, 3, 0, 11, 2, 0});
    Statement s;
    opened(s);

    ASSERT_EQ(fetch(s), 0);
    EXPECT_EQ(entry(s.out, 1).length, 265);
    EXPECT_EQ(entry(s.out, 1).value, zrxtest::field("SYS1.PARMLIB", 255) + std::string(10, 'X'));
    EXPECT_EQ(entry(s.out, 11).length, 4);
    EXPECT_EQ(entry(s.out, 0).nullInd, 0);

    // A null column has no value to make longer: it stays null.
    ASSERT_EQ(fetch(s), 0);
    EXPECT_EQ(entry(s.out, 1).nullInd, -1);
    EXPECT_EQ(entry(s.out, 1).length, 0);

    ASSERT_EQ(fetch(s), 0);
    EXPECT_EQ(entry(s.out, 11).length, 6);
    EXPECT_EQ(entry(s.out, 11).value, le(0xFFFFFFFFu, 4) + "XX");
    EXPECT_EQ(entry(s.out, 0).nullInd, -1);
    EXPECT_EQ(faults().injected(), 3u);
}

TEST_F(Sqlda, StatementsAreToldApartByTheTableTheyRead) {
    using namespace zrx::sqltext;
    EXPECT_EQ(host::classifyStatement(hosttest::withArg(plexHubQuery, "10000000")), StatementKind::PlexHubs);
    EXPECT_EQ(host::classifyStatement(thruNodeQuery), StatementKind::ThruNodes);
    EXPECT_EQ(host::classifyStatement(hosttest::membersText()), StatementKind::Members);
    EXPECT_EQ(host::classifyStatement(hosttest::summaryText()), StatementKind::Summary);
    const std::string detail = hosttest::withArg(
        std::string(detailPrefix) + "(" + detailMajor + "SYSDSN" + detailAnd + detailMinor + "FROM MGLBLENQ" +
            detailClose + detailTail,
        "SYSATHRU");
    EXPECT_EQ(host::classifyStatement(detail), StatementKind::Detail);
    EXPECT_EQ(host::classifyStatement("SELECT NODE"), StatementKind::Other);
    EXPECT_EQ(host::classifyStatement("'unterminated"), StatementKind::Other);
}

} // namespace
