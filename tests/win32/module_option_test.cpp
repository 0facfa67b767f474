// `mentrenq --module ZRX.dll`: the 32-bit command runs the view on the DLL
// and answers exactly as with ZRX.so; the 64-bit command refuses the DLL as
// a usage error that names the command that loads it.
#include <gtest/gtest.h>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

TEST(ModuleOption, EveryCommandTakesTheDll) {
    if (std::string(ZRX_WIN32_DLL).empty()) GTEST_SKIP() << "ZRX.dll not built";
    const std::vector<std::vector<std::string>> commands = {
        {"query", "--report", "--format", "csv"},
        {"query", "--major", "SYSDSN", "--minor", "PAY.PROD.EMPLOYEE.MASTER", "--enqplex", "PRODENQ", "--format",
         "json"},
        {"tree", "--enqplex", "MIMPLEX"},
        {"sql", "SELECT ENQPLEX, MAJORNAME, MAXWAITTM FROM MENTRENQ WHERE REPORT = 'YES' ORDER BY MAXWAITTM"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0] + " " + command[1]);
        auto withDll = command;
        withDll.insert(withDll.end(), {"--module", ZRX_WIN32_DLL});
        const auto dll = runMentrenq(withDll);
#if ZRX_PE_LOADER
        const auto so = runMentrenq(command);
        ASSERT_EQ(so.exitCode, 0) << so.err;
        EXPECT_EQ(dll.exitCode, 0) << dll.err;
        EXPECT_EQ(dll.out, so.out);
        EXPECT_FALSE(dll.out.empty());
#else
        EXPECT_EQ(dll.exitCode, 2);
        EXPECT_EQ(dll.out, "");
        EXPECT_NE(dll.err.find("a 32-bit Windows DLL, which only the 32-bit mentrenq loads"), std::string::npos)
            << dll.err;
        EXPECT_EQ(dll.err.find("use --module"), std::string::npos) << "the module was named: " << dll.err;
#endif
    }
}

} // namespace
