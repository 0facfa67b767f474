// What the command says when the module cannot be loaded or fails: a cut
// module file is a usage error of one line (not a crash of the dynamic
// loader); a module that fails, or memory that runs out, ends the command
// with one line and status 3.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>

#include "cli/command_edge.h"
#include "core/module.h"
#include "run_command.h"

namespace {

TEST(ModuleFailure, AModuleCutShortIsRefusedWithOneLine) {
    std::ifstream in(std::string(BUILD_DIR) + "/lib/ZRX.so", std::ios::binary);
    const std::vector<char> whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(whole.size(), 50000u);
    for (size_t size : {1000u, 20000u, 50000u}) {
        SCOPED_TRACE(size);
        const std::string path = clitest::temporaryFile("t.so");
        std::ofstream(path, std::ios::binary).write(whole.data(), static_cast<std::streamsize>(size));
        const auto r = clitest::runMentrenq({"query", "--report", "--module", path});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("mentrenq: cannot load module " + path + ": truncated: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        std::remove(path.c_str());
    }
}

// The edge every command runs at.
TEST(ModuleFailure, WhatACommandCannotHandleIsOneLineAndStatusThree) {
    std::ostringstream err;
    std::streambuf* saved = std::cerr.rdbuf(err.rdbuf());
    const int outOfMemory = cli::runAtEdge([]() -> int { throw std::bad_alloc(); });
    const int failed = cli::runAtEdge([]() -> int {
        throw host::ModuleFailure("module ZRX.dll failed: SIGILL at offset 0x10 in the DLL, while its DllMain ran");
    });
    const int fine = cli::runAtEdge([] { return 0; });
    std::cerr.rdbuf(saved);
    EXPECT_EQ(outOfMemory, 3);
    EXPECT_EQ(failed, 3);
    EXPECT_EQ(fine, 0);
    EXPECT_EQ(err.str(), "mentrenq: out of memory\n"
                         "mentrenq: module ZRX.dll failed: SIGILL at offset 0x10 in the DLL, while its DllMain ran\n");
}

} // namespace
