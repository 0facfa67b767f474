// The installed command: bin/, lib/ and the man page, in a tree that still
// works when moved as a whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "run_command.h"

namespace {

namespace fs = std::filesystem;

TEST(Install, TheInstalledCommandFindsItsModuleAndLibrariesWhereverTheTreeMoves) {
    const fs::path prefix = clitest::temporaryFile("prefix"), moved = clitest::temporaryFile("moved");
    fs::remove_all(prefix);
    fs::remove_all(moved);
    clitest::RunOptions machine;
    machine.machineProgram = true;
    auto install = clitest::runProgram(CMAKE_COMMAND, {"--install", BUILD_DIR, "--prefix", prefix.string()}, machine);
    ASSERT_EQ(install.exitCode, 0) << install.err;
    fs::rename(prefix, moved);
    for (const char* file : {"bin/mentrenq", "lib/ZRX.so", "lib/libqvd.so", "lib/libzentrix.so", "lib/libHOLMVAR.so",
                             "lib/libPRUVANTE.so", "share/man/man1/mentrenq.1"})
        EXPECT_TRUE(fs::is_regular_file(moved / file)) << file;

    clitest::RunOptions bare;
    bare.bareEnvironment = true;
    auto r = clitest::runProgram((moved / "bin/mentrenq").string(), {"tree", "--enqplex", "MIMPLEX"}, bare);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("  SYSDSN CICS")),
              "Enqplex MIMPLEX\n"
              "  SYSDSN AR.PROD.INVOICE.KSDS\n"
              "      2 owners, 2 waiters, longest wait 118 s\n"
              "    owner  ARNIGHT  on CICA     ASID X'0055'  exclusive  true owner\n"
              "    owner  MIMGR    on CICB     ASID X'001C'  exclusive\n"
              "    waiter CICSPB1  on CICB     ASID X'0029'  shared     waiting 118 s\n"
              "    waiter CICSPA2  on CICA     ASID X'002A'  shared     waiting 15 s\n");

#ifdef MENTRENQ_WATCH_SCREEN
    EXPECT_TRUE(fs::is_regular_file(moved / "lib/mentrenq-screen.so"));
#endif
#ifdef MENTRENQ_SERVE
    // The server is a library of its own, loaded from the installed lib/:
    // an option only the server reads gets the server's answer.
    EXPECT_TRUE(fs::is_regular_file(moved / "lib/mentrenq-serve.so"));
    auto serve = clitest::runProgram((moved / "bin/mentrenq").string(), {"serve", "--listen", "nowhere"}, bare);
    EXPECT_EQ(serve.exitCode, 2);
    EXPECT_EQ(serve.err, "mentrenq: --listen \"nowhere\": give ADDRESS:PORT, PORT from 0 to 65535 (0: any free port)\n");
#endif

    const std::string man = clitest::readFile((moved / "share/man/man1/mentrenq.1").string());
    EXPECT_NE(man.find("\n.TH MENTRENQ 1 "), std::string::npos) << man.substr(0, 300);
    EXPECT_NE(man.find("mentrenq \\- who holds what everyone is waiting for"), std::string::npos);
    for (const char* command : {"query", "tree", "sql", "check", "demo", "generate"})
        EXPECT_NE(man.find(std::string(".SH \"COMMAND: ") + command + "\""), std::string::npos) << command;
    EXPECT_NE(man.find("\\fB\\-\\-storage\\-limit\\fI BYTES\\fR"), std::string::npos) << "the options are in it";
    EXPECT_NE(man.find(".B TRUEOWNER\nINTEGER\n"), std::string::npos) << "and the columns";
    fs::remove_all(moved);
}

} // namespace
