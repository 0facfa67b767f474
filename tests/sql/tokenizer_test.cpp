#include <gtest/gtest.h>

#include "sql/tokenizer.h"

namespace {

using host::sql::Token;
using host::sql::TokenKind;
using host::sql::tokenize;

TEST(Tokenizer, SplitsWordsNumbersStringsAndSymbolsWithOffsets) {
    std::vector<Token> t;
    std::string error;
    ASSERT_TRUE(tokenize("SELECT  A.B,'it''s' \"say \"\"hi\"\"\" 25<=<>>=;", t, error)) << error;
    const std::vector<std::pair<TokenKind, std::string>> expected = {
        {TokenKind::Word, "SELECT"},   {TokenKind::Word, "A"},
        {TokenKind::Symbol, "."},      {TokenKind::Word, "B"},
        {TokenKind::Symbol, ","},      {TokenKind::String, "it's"},
        {TokenKind::QuotedString, "say \"hi\""}, {TokenKind::Number, "25"},
        {TokenKind::Symbol, "<="},     {TokenKind::Symbol, "<>"},
        {TokenKind::Symbol, ">="},     {TokenKind::Symbol, ";"},
        {TokenKind::End, ""}};
    ASSERT_EQ(t.size(), expected.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        EXPECT_EQ(t[i].kind, expected[i].first) << i;
        EXPECT_EQ(t[i].text, expected[i].second) << i;
    }
    EXPECT_EQ(t[1].offset, 8u);
    EXPECT_EQ(t[5].offset, 12u);
    EXPECT_EQ(t[7].offset, 33u);
    EXPECT_EQ(t.back().offset, 42u);
}

TEST(Tokenizer, LiteralKeepsBlanksSymbolsAndSqlWordsAsData) {
    std::vector<Token> t;
    std::string error;
    ASSERT_TRUE(tokenize("' SELECT * OR ; -- \"x\"  '", t, error)) << error;
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].kind, TokenKind::String);
    EXPECT_EQ(t[0].text, " SELECT * OR ; -- \"x\"  ");
}

TEST(Tokenizer, RunsOfBlanksOfEveryLengthKeepTheOffsets) {
    // Runs are passed eight blanks at a time: each length around that step,
    // mixed with tabs, and a run that ends the text.
    for (std::size_t run = 1; run <= 26; ++run) {
        const std::string text = "A" + std::string(run, ' ') + "B\t" + std::string(run, ' ') + "\tC" + std::string(run, ' ');
        std::vector<Token> t;
        std::string error;
        ASSERT_TRUE(tokenize(text, t, error)) << error;
        ASSERT_EQ(t.size(), 4u) << run;
        EXPECT_EQ(t[1].text, "B");
        EXPECT_EQ(t[1].offset, 1 + run);
        EXPECT_EQ(t[2].text, "C");
        EXPECT_EQ(t[2].offset, 1 + run + 2 + run + 1);
        EXPECT_EQ(t[3].offset, text.size());
    }
}

TEST(Tokenizer, LongStatementsKeepEveryLexemeInOrder) {
    // Lexemes are gathered in batches: counts around the batch size and well
    // past it come out whole and in order.
    for (int count : {63, 64, 65, 128, 129, 1000}) {
        std::string text;
        for (int i = 0; i < count; ++i) text += (i % 2 ? "," : "A" + std::to_string(i));
        std::vector<Token> t;
        std::string error;
        ASSERT_TRUE(tokenize(text, t, error)) << error;
        ASSERT_EQ(t.size(), static_cast<std::size_t>(count) + 1) << count;
        for (int i = 0; i < count; i += 2) EXPECT_EQ(t[static_cast<std::size_t>(i)].text, "A" + std::to_string(i));
        EXPECT_EQ(t.back().kind, TokenKind::End);
        EXPECT_EQ(t.back().offset, text.size());
    }
}

TEST(Tokenizer, EmptyTextGivesOnlyEnd) {
    std::vector<Token> t;
    std::string error;
    ASSERT_TRUE(tokenize(" \t\r\n", t, error));
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].kind, TokenKind::End);
}

TEST(Tokenizer, RefusesWhatStartsNoTokenNamingTheOffset) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SELECT 'abc", "unterminated literal starting at offset 7"},
        {"AT (\"node)", "unterminated literal starting at offset 4"},
        {"A = 'it''", "unterminated literal starting at offset 4"},
        {"A ! B", "unexpected character '!' at offset 2"},
        {"A || B", "unexpected character '|' at offset 2"},
        {"LIKE %", "unexpected character '%' at offset 5"},
        {"A \xC3\xA9", "unexpected character byte 0xC3 at offset 2"},
        {std::string("A\0B", 3), "NUL character at offset 1"},
        {std::string("'A\0B'", 5), "NUL character in a literal at offset 2"},
        {"SUBSTR(X,25AB,1)", "malformed number at offset 9"},
    };
    for (const auto& [text, message] : cases) {
        std::vector<Token> t;
        std::string error;
        EXPECT_FALSE(tokenize(text, t, error)) << text;
        EXPECT_EQ(error, message) << text;
    }
}

} // namespace
