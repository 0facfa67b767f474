// --where conditions checked by SQLite on the view's rows: numbers as
// numbers (also when written as text), text byte for byte without the
// padding of the row but with the value's own blanks, case kept.
#include <gtest/gtest.h>

#include <cstring>

#include "cli/row_filter.h"

namespace {

using zrx::IndexOp;
using P = host::Predicate;

template <size_t N>
void put(char (&field)[N], const std::string& text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

zrx::MentrenqRow row(const std::string& major, const std::string& minor, int32_t wait, uint16_t asid,
                     int8_t type = 0) {
    zrx::MentrenqRow r{};
    put(r.majorname, major);
    put(r.minorname, minor);
    put(r.owningas, "");
    put(r.waitingas, "");
    put(r.sysname, "SYSA");
    put(r.report, "");
    put(r.originnode, "");
    put(r.plxname, "");
    put(r.enqplex, "PRODENQ");
    r.maxwaittm = wait;
    r.asid = asid;
    r.type = type;
    return r;
}

std::vector<std::string> kept(const std::vector<P>& conditions) {
    std::vector<zrx::MentrenqRow> rows = {row("SYSDSN", "A.B", 45, 0x52), row("SYSDSN", "A.B  MEMBER", 1260, 0x1C),
                                          row("sysdsn", "a.b", 95, 0x52, -128), row("SPFEDIT", "Z", -3, 0xFFFF)};
    std::string error;
    EXPECT_TRUE(cli::keepRowsMeeting(rows, conditions, error)) << error;
    std::vector<std::string> out;
    for (const auto& r : rows)
        out.push_back(std::string(r.majorname, 8) + "|" + std::to_string(r.maxwaittm));
    return out;
}

TEST(RowFilter, NumbersCompareAsNumbersAlsoWrittenAsText) {
    const std::vector<std::string> over100 = {"SYSDSN  |1260"};
    EXPECT_EQ(kept({{"MAXWAITTM", IndexOp::GT, "100"}}), over100);
    EXPECT_EQ(kept({{"MAXWAITTM", IndexOp::GT, " 100 "}}), over100);
    EXPECT_EQ(kept({{"MAXWAITTM", IndexOp::GT, "1e2"}}), over100);
    EXPECT_EQ(kept({{"MAXWAITTM", IndexOp::LT, "0"}}), std::vector<std::string>{"SPFEDIT |-3"});
    EXPECT_EQ(kept({{"ASID", IndexOp::EQ, "82"}}), (std::vector<std::string>{"SYSDSN  |45", "sysdsn  |95"}));
    EXPECT_EQ(kept({{"ASID", IndexOp::EQ, "65535"}}), std::vector<std::string>{"SPFEDIT |-3"}) << "unsigned";
    EXPECT_EQ(kept({{"TYPE", IndexOp::EQ, "128"}}), std::vector<std::string>{"sysdsn  |95"}) << "an unsigned byte";
    EXPECT_EQ(kept({{"MAXWAITTM", IndexOp::GE, "45"}, {"MAXWAITTM", IndexOp::LE, "95"}}),
              (std::vector<std::string>{"SYSDSN  |45", "sysdsn  |95"}))
        << "every condition, the order kept";
}

TEST(RowFilter, TextKeepsCaseAndItsOwnBlanks) {
    EXPECT_EQ(kept({{"MAJORNAME", IndexOp::EQ, "SYSDSN"}}), (std::vector<std::string>{"SYSDSN  |45", "SYSDSN  |1260"}));
    EXPECT_EQ(kept({{"MAJORNAME", IndexOp::EQ, "sysdsn"}}), std::vector<std::string>{"sysdsn  |95"});
    EXPECT_EQ(kept({{"MAJORNAME", IndexOp::EQ, "SYSDSN "}}), std::vector<std::string>{}) << "a blank of the value";
    EXPECT_EQ(kept({{"MINORNAME", IndexOp::EQ, "A.B"}}), std::vector<std::string>{"SYSDSN  |45"});
    EXPECT_EQ(kept({{"MINORNAME", IndexOp::EQ, "A.B  MEMBER"}}), std::vector<std::string>{"SYSDSN  |1260"});
    EXPECT_EQ(kept({{"MINORNAME", IndexOp::GT, "A.B"}}),
              (std::vector<std::string>{"SYSDSN  |1260", "sysdsn  |95", "SPFEDIT |-3"}))
        << "byte order: lower case after upper case";
    EXPECT_EQ(kept({{"OWNINGAS", IndexOp::EQ, ""}}).size(), 4u) << "blank columns are empty text";
    EXPECT_EQ(kept({{"SYSNAME", IndexOp::EQ, "100"}}), std::vector<std::string>{}) << "text compares with text";
}

TEST(RowFilter, ValuesANumericColumnCannotTakeAreRefused) {
    std::string error;
    EXPECT_TRUE(cli::checkConditions({{"MAXWAITTM", IndexOp::GT, "-5"}, {"ASID", IndexOp::EQ, "82"}}, error));
    EXPECT_FALSE(cli::checkConditions({{"MAXWAITTM", IndexOp::GT, "abc"}}, error));
    EXPECT_EQ(error, "MAXWAITTM holds numbers; \"abc\" is not one");
    EXPECT_FALSE(cli::checkConditions({{"ASID", IndexOp::EQ, "X'0052'"}}, error));
    EXPECT_FALSE(cli::checkConditions({{"COLOUR", IndexOp::EQ, "RED"}}, error));
    EXPECT_FALSE(cli::checkConditions({{"MAJORNAME", IndexOp::LIKE, "S%"}}, error));
    EXPECT_TRUE(cli::checkConditions({{"MAJORNAME", IndexOp::EQ, "abc"}}, error)) << "any text for a text column";
}

} // namespace
