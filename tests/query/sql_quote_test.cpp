// Quoting a fixed-width field into a statement: the name ends at its first
// NUL or at its width, a quote is doubled, and a text that does not fit
// leaves an empty one.
#include <gtest/gtest.h>

#include <string>

#include "query/sql_quote.h"

namespace {

std::string quoted(const std::string& field, std::size_t cap, long& length) {
    std::string out(cap + 4, '#');
    length = zrx::quoteInto(out.data(), cap, field.data(), field.size(), '\'');
    return out.substr(0, out.find('\0'));
}

TEST(SqlQuote, NamesWithAndWithoutQuotesFitExactlyOrNotAtAll) {
    long n = 0;
    EXPECT_EQ(quoted("SYSDSN  ", 9, n), "SYSDSN  ");
    EXPECT_EQ(n, 8);
    EXPECT_EQ(quoted("SYSDSN  ", 8, n), "");
    EXPECT_EQ(n, -1) << "no room for the terminator";
    EXPECT_EQ(quoted(std::string("AB\0CD", 5), 3, n), "AB");
    EXPECT_EQ(n, 2) << "the name ends at its NUL";

    EXPECT_EQ(quoted("O'BRIEN'", 11, n), "O''BRIEN''");
    EXPECT_EQ(n, 10);
    EXPECT_EQ(quoted("O'BRIEN'", 10, n), "");
    EXPECT_EQ(n, -1);
    EXPECT_EQ(quoted(std::string("A'\0'", 4), 4, n), "A''");
    EXPECT_EQ(n, 3) << "a quote after the NUL is not part of the name";
    EXPECT_EQ(quoted("ABC", 0, n), "####") << "nothing written";
    EXPECT_EQ(n, -1);
}

} // namespace
