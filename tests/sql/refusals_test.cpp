// Anything but one statement of the dialect is refused with a message.
#include "enterprise_fixture.h"

#include <cstdint>

namespace sqltest {
namespace {

TEST_F(EnterpriseTest, RefusesMalformedStatementsWithClearMessages) {
    const std::string from = "SELECT INODESTS.NODE FROM Q7SRV.INODESTS";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "the statement is empty"},
        {"   ;", "expected SELECT, found ';' at offset 3"},
        {"DROP TABLE INODESTS", "expected SELECT, found 'DROP' at offset 0"},
        {from + "; SELECT INODESTS.NODE FROM Q7SRV.INODESTS",
         "only one statement may be sent: text follows the ';' at offset 42"},
        {from + "; DROP TABLE INODESTS", "only one statement may be sent: text follows the ';' at offset 42"},
        {from + ";;", "only one statement may be sent: text follows the ';' at offset 41"},
        {"SELECT INODESTS.NODE FROM Q7SRV.NOSUCH", "unknown table Q7SRV.NOSUCH at offset 26"},
        {"SELECT INODESTS.NODE FROM MAIN.INODESTS", "unknown schema MAIN at offset 26"},
        {"SELECT INODESTS.NOPE FROM Q7SRV.INODESTS", "unknown column INODESTS.NOPE at offset 7"},
        {"SELECT NOPE FROM Q7SRV.INODESTS", "unknown column NOPE at offset 7"},
        {"SELECT MXCFSYS.SYS_NAME FROM Q7SRV.INODESTS", "table MXCFSYS of MXCFSYS.SYS_NAME is not in the FROM list at offset 7"},
        {"SELECT sqlite_schema.name FROM Q7SRV.INODESTS", "unknown table sqlite_schema in sqlite_schema.name at offset 7"},
        {"SELECT NODE FROM Q7SRV.INODESTS, Q7SRV.INODESTS", "table INODESTS is listed twice at offset 33"},
        {"SELECT RIB FROM VELDA.ENQ_RESRC, VELDA.ENQ_TASKS AT (\"SYSA:THRU\")",
         "column RIB is ambiguous; qualify it with its table at offset 7"},
        {"SELECT * FROM Q7SRV.INODESTS", "expected a column name, found '*' at offset 7"},
        {"SELECT NODE, FROM Q7SRV.INODESTS", "expected a column name, found 'FROM' at offset 13"},
        {from + " WHERE (NODE = 'A'", "expected ')', found the end of the statement at offset 58"},
        {from + " WHERE NODE = 'A')", "unexpected ')' at offset 57"},
        {from + " WHERE NODE == 'A'", "expected a column name, found '=' at offset 53"},
        {from + " WHERE NODE 'A'", "expected a comparison operator or LIKE, found the string 'A' at offset 52"},
        {from + " WHERE NODE LIKE NODE", "LIKE needs a quoted pattern, found 'NODE' at offset 57"},
        {from + " WHERE NODE = 'A' ! 'B'", "unexpected character '!' at offset 58"},
        {from + " WHERE NODE = 99999999999999999999", "number 99999999999999999999 is too large at offset 54"},
        {from + " WHERE SUBSTR('A', 1, 1) = 'A'", "expected a column name, found the string 'A' at offset 54"},
        {from + " WHERE NODE = 'A' GROUP BY NODE", "unexpected 'GROUP' at offset 58"},
        {from + " WHERE " + std::string(150, '(') + "NODE = 'A'" + std::string(150, ')'),
         "conditions nested too deeply at offset 147"},
        {from + " WHERE " + [] {
             std::string nots;
             for (int i = 0; i < 150; ++i) nots += "NOT ";
             return nots;
         }() + "NODE = 'A'",
         "conditions nested too deeply at offset 447"},
    };
    for (const auto& [text, message] : cases) {
        const std::string error = refusal(text);
        EXPECT_EQ(error, message) << text;
    }
    EXPECT_EQ(rows(from).size(), 7u) << "the table must have survived";
}

TEST_F(EnterpriseTest, DeepButBoundedNestingIsAccepted) {
    std::string text = "SELECT NODE FROM Q7SRV.INODESTS WHERE ";
    for (int i = 0; i < 40; ++i) text += "NOT ( ";
    text += "Q7ONLINE = 'N'";
    for (int i = 0; i < 40; ++i) text += " )";
    EXPECT_EQ(rows(text).size(), 2u);
}

} // namespace
} // namespace sqltest

namespace sqltest {
namespace {

// Corrupted module statements are either answered or refused, never more.
TEST_F(EnterpriseTest, CorruptedStatementsAreAnsweredOrRefusedSafely) {
    const std::vector<std::string> seeds = {
        plexHubQuery(), thruNodeQuery, mxcfsysQuery("PLXA:THRU"), summaryQuery("PLXA:THRU", "SYSDSN", "PROD.LOAD"),
        detailStatement("SYSA:THRU", {{"SYSDSN", "PROD.LOAD"}, {"SPFEDIT", "USER.CNTL"}})};
    using namespace std::string_literals;
    const std::string alphabet = "'\"()*,.;=<>- AORNTXSELECTWHERE\0\xFF%_1"s;
    std::uint32_t state = 12345;
    auto random = [&](std::uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    int answered = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = seeds[random(static_cast<std::uint32_t>(seeds.size()))];
        for (std::uint32_t edits = 1 + random(3); edits > 0; --edits) {
            const std::size_t at = random(static_cast<std::uint32_t>(text.size()));
            switch (random(3)) {
            case 0: text[at] = alphabet[random(static_cast<std::uint32_t>(alphabet.size()))]; break;
            case 1: text.erase(at, 1 + random(8)); break;
            default: text.insert(at, 1, alphabet[random(static_cast<std::uint32_t>(alphabet.size()))]);
            }
        }
        std::string error;
        auto q = Query::prepare(*snapshot, text, error);
        if (!q) {
            EXPECT_FALSE(error.empty()) << text;
            continue;
        }
        ++answered;
        std::vector<Cell> cells;
        int count = 0;
        while (q->next(cells, error) == Query::Step::Row) {
            ASSERT_EQ(cells.size(), q->columns().size());
            ASSERT_LT(++count, 100) << text;
        }
    }
    EXPECT_GT(answered, 100);
}

} // namespace
} // namespace sqltest
