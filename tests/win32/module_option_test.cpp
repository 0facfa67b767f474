// `mentrenq --module ZRX.dll`: the 32-bit command runs the view on the DLL
// and answers exactly as with ZRX.so; so does the 64-bit command, which runs
// the DLL under Wine, and which refuses it as a usage error that says what
// is missing where Wine does not run.
#include <gtest/gtest.h>

#include "remote/windows_host.h"
#include "run_command.h"

namespace {

using clitest::runMentrenq;

TEST(ModuleOption, EveryCommandTakesTheDll) {
    if (std::string(ZRX_WIN32_DLL).empty()) GTEST_SKIP() << "ZRX.dll not built";
    std::string missing;
#if ZRX_PE_LOADER
    const bool runs = true;
#else
    const bool runs = host::remote::windowsHostRuns(missing);
#endif
    const std::vector<std::vector<std::string>> commands = {
        {"query", "--report", "--format", "csv"},
        {"query", "--major", "SYSDSN", "--minor", "PAY.PROD.EMPLOYEE.MASTER", "--enqplex", "PRODENQ", "--format",
         "json"},
        {"tree", "--enqplex", "MIMPLEX"},
        {"sql", "SELECT ENQPLEX, MAJORNAME, MAXWAITTM FROM MENTRENQ WHERE REPORT = 'YES' ORDER BY MAXWAITTM"},
        {"query", "--report", "--trace", "error,detail"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0] + " " + command[1]);
        auto withDll = command;
        withDll.insert(withDll.end(), {"--module", ZRX_WIN32_DLL});
        const auto dll = runMentrenq(withDll);
        if (runs) {
            const auto so = runMentrenq(command);
            ASSERT_EQ(so.exitCode, 0) << so.err;
            EXPECT_EQ(dll.exitCode, 0) << dll.err;
            EXPECT_EQ(dll.out, so.out);
            EXPECT_FALSE(dll.out.empty());
            continue;
        }
        EXPECT_EQ(dll.exitCode, 2);
        EXPECT_EQ(dll.out, "");
        EXPECT_EQ(dll.err, std::string("mentrenq: cannot load module ") + ZRX_WIN32_DLL +
                               ": a 32-bit Windows DLL, which this mentrenq runs under Wine, but " + missing + "\n");
    }
}

} // namespace
