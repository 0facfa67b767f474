// Names the view would cut are refused; whatever bytes a name or path
// holds, a message stays one line and cannot drive the terminal.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/message_text.h"
#include "run_command.h"

namespace {

using clitest::runMentrenq;

TEST(NameWidths, ANameLongerThanItsColumnIsAUsageErrorNamingTheWidth) {
    const std::string minor(256, 'M');
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"query", "--major", "SYSZVVDSXX", "--minor", "X", "--enqplex", "ENQPLEX1"},
         "--major SYSZVVDSXX is 10 bytes long; a major name has at most 8 (the width of MAJORNAME)"},
        {{"query", "--major", "SYSDSN", "--minor", minor, "--enqplex", "PRODENQ"},
         "--minor " + minor + " is 256 bytes long; a minor name has at most 255 (the width of MINORNAME)"},
        {{"query", "--major", "SYSDSN", "--minor", "X", "--enqplex", "PRODENQ_TYPO"},
         "--enqplex PRODENQ_TYPO is 12 bytes long; an Enqplex name has at most 8 (the width of ENQPLEX)"},
        {{"tree", "--enqplex", "MIMPLEXGARBAGE"},
         "--enqplex MIMPLEXGARBAGE is 14 bytes long; an Enqplex name has at most 8 (the width of ENQPLEX)"},
        {{"query", "--report", "--where", "majorname = 'SYSDSN  X'"},
         "--where \"majorname = 'SYSDSN  X'\": the value is 9 bytes long; a major name has at most 8 (the width of "
         "MAJORNAME)"},
        {{"query", "--where", "REPORT = YESS"},
         "--where \"REPORT = YESS\": the value is 4 bytes long; a REPORT value has at most 3 (the width of REPORT)"},
    };
    for (const auto& [args, message] : cases) {
        auto r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 2) << message;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "mentrenq: " + message + "\n");
    }
}

TEST(NameWidths, NamesThatFillTheirColumnOrEndInBlanksAreAsked) {
    auto padded = runMentrenq({"query", "--major", "SYSDSN    ", "--minor", "AR.PROD.INVOICE.KSDS", "--enqplex",
                               "MIMPLEX ", "--format", "csv"});
    EXPECT_EQ(padded.exitCode, 0) << padded.err;
    EXPECT_EQ(std::count(padded.out.begin(), padded.out.end(), '\n'), 5) << "a header, two owners, two waiters";
    auto full = runMentrenq({"query", "--major", "SYSIEFSD", "--minor", std::string(255, 'Q'), "--enqplex",
                             "*DEFAULT", "--format", "csv"});
    EXPECT_EQ(full.exitCode, 0) << full.err;
}

// Nothing on standard error that a terminal would act on.
void expectPrintable(const std::string& err) {
    for (const char ch : err) {
        const auto c = static_cast<unsigned char>(ch);
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "byte " << int(c) << " in " << err;
    }
}

TEST(Messages, NamesAndPathsAreEscapedInEveryMessage) {
    const std::string clear = "\x1b[2J", newline = "a\nb";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"tree", "--enqplex", clear},
         "mentrenq: the snapshot has no Enqplex \"\\x1b[2J\"; its Enqplexes are PRODENQ, MIMPLEX, *DEFAULT\n"},
        {{"query", "--report", "--db", newline}, "mentrenq: no snapshot file \"a\\nb\"\n"},
        {{"check", "--db", "\xc2\x9b" "2J"}, "mentrenq: no snapshot file \"\\xc2\\x9b2J\"\n"},
        {{"query", "--report", "--format", clear},
         "mentrenq: --format: must be one of table, csv, json, not \"\\x1b[2J\"\n"
         "(mentrenq query --help lists the options)\n"},
        {{clear}, "mentrenq: unknown command \"\\x1b[2J\"; the commands are query, tree, sql, check, demo, "
                  "generate, record, history, diff, simulate, serve, waits and watch\n(mentrenq --help describes them)\n"},
        {{"query", "--report", "--trace", "all", "--trace-file", "/dev/null/" + clear},
         "mentrenq: cannot use the trace file \"/dev/null/\\x1b[2J\": Not a directory\n"},
        {{"demo", "--out", "/dev/null/" + newline}, "mentrenq: cannot use \"/dev/null/a\\nb\": Not a directory\n"},
        {{"sql", "--file", newline}, "mentrenq: cannot read \"a\\nb\": No such file or directory\n"},
    };
    for (const auto& [args, err] : cases) {
        auto r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 2) << err;
        EXPECT_EQ(r.err, err);
        expectPrintable(r.err);
    }
}

TEST(Messages, QuotingKeepsOrdinaryNamesAndValidUtf8AndEscapesTheRest) {
    EXPECT_EQ(cli::shownName("PRODENQ"), "PRODENQ");
    EXPECT_EQ(cli::shownName("*DEFAULT"), "*DEFAULT");
    EXPECT_EQ(cli::shownName("my file"), "\"my file\"");
    EXPECT_EQ(cli::shownName(""), "\"\"");
    EXPECT_EQ(cli::quotedText("a\"b\\c\td\r"), "\"a\\\"b\\\\c\\td\\r\"");
    EXPECT_EQ(cli::quotedText("caf\xc3\xa9 \xe2\x82\xac"), "\"caf\xc3\xa9 \xe2\x82\xac\"") << "UTF-8 as it is";
    EXPECT_EQ(cli::quotedText("\xc3"), "\"\\xc3\"") << "a cut sequence";
    EXPECT_EQ(cli::quotedText("\xc0\xaf"), "\"\\xc0\\xaf\"") << "an overlong form";
    EXPECT_EQ(cli::quotedText("\xc2\x85\x7f"), "\"\\xc2\\x85\\x7f\"") << "C1 controls and DEL";
    EXPECT_EQ(cli::printableMessage("a \"b\"\n\x1b"), "a \"b\"\\n\\x1b");
}

} // namespace
