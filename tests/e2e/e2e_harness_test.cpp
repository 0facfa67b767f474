// The address masking that makes traces comparable from run to run, and the
// report of a result that differs from its expected file.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "e2e_harness.h"

namespace {

using e2e::maskAddresses;

TEST(AddressMasking, TheWholeFieldOfANonzeroAddressBecomesOneToken) {
    EXPECT_EQ(maskAddresses("Using SORow at 5A6B7C8D"), "Using SORow at <addr>");
    EXPECT_EQ(maskAddresses("Using SORow at  A6B7C8D"), "Using SORow at <addr>");
    EXPECT_EQ(maskAddresses("    DOR1st:" + std::string(13, ' ') + "B7C8D"), "    DOR1st:          <addr>");
    EXPECT_EQ(maskAddresses("NAEnqpI is 1, NASOR is 12345678, NADOR is        0"),
              "NAEnqpI is 1, NASOR is <addr>, NADOR is        0");
    EXPECT_EQ(maskAddresses("Obtained Sample storage at 0x7f12ab00 of size 64624."),
              "Obtained Sample storage at <addr> of size 64624.");
    EXPECT_EQ(maskAddresses("    reqhdl     =  1517050000000000D8A0CB6AFE550000 "),
              "    reqhdl     =  <handle> ");
}

TEST(AddressMasking, NumbersAndNamesElsewhereStay) {
    EXPECT_EQ(maskAddresses("numEnqplexes: 2"), "numEnqplexes: 2");
    EXPECT_EQ(maskAddresses("lenrem is 3451; SQL: AT (\"HUBA:CMS\")"),
              "lenrem is 3451; SQL: AT (\"HUBA:CMS\")");
    EXPECT_EQ(maskAddresses("    planCnt    =  01000000 "), "    planCnt    =  01000000 ");
    EXPECT_EQ(maskAddresses("Major: SYSDSN    Minor: DATA at BEEFY"), "Major: SYSDSN    Minor: DATA at BEEFY");
}

// A difference at the start and one at the end of a long file: the failure
// shows both, as a unified diff, and the result is kept for regeneration.
TEST(ExpectedFiles, ADifferenceShowsTheWholeUnifiedDiff) {
    const std::string name = "one_sysplex_payroll";
    std::ifstream in(std::string(ZRX_E2E_DIR) + "/expected/" + name + ".txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    ASSERT_GT(lines.size(), 20u);
    const std::string first = lines.front(), last = lines.back();
    lines.front() = "FIRST LINE CHANGED";
    lines.back() = "LAST LINE CHANGED";
    std::string changed;
    for (const auto& l : lines) changed += l + "\n";

    // Kept apart from the results that `make regenerate-golden` takes over.
    const char* const variable = "ZRX_E2E_ACTUAL_DIR";
    const char* given = std::getenv(variable);
    const std::string before = given ? given : "";
    const std::string folder = ::testing::TempDir() + "e2e-harness-test";
    setenv(variable, folder.c_str(), 1);
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        e2e::expectMatchesFile(name, changed);
        e2e::expectMatchesFile(name, text.str());
    }
    if (given) setenv(variable, before.c_str(), 1);
    else unsetenv(variable);
    ASSERT_EQ(failures.size(), 1) << "only the changed text differs";
    const std::string message = failures.GetTestPartResult(0).message();
    const std::string parts[] = {"\n-" + first + "\n", "\n+FIRST LINE CHANGED\n", "\n-" + last + "\n",
                                 "\n+LAST LINE CHANGED\n", "\n@@ -1,"};
    for (const std::string& part : parts)
        EXPECT_NE(message.find(part), std::string::npos) << part << " in\n" << message;
    std::ifstream kept(folder + "/" + name + ".txt", std::ios::binary);
    std::stringstream keptText;
    keptText << kept.rdbuf();
    EXPECT_EQ(keptText.str(), changed);
}

} // namespace
