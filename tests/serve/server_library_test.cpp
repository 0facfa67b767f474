// The program loads `serve` from lib/mentrenq-serve.so beside its own
// folder. Whatever stands there instead, it says so in one line and ends
// with the usage status, never by a signal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "server_process.h"

namespace {

namespace fs = std::filesystem;

class ServerLibraryTest : public ::testing::Test {
protected:
    // A tree of its own: bin/mentrenq (the very program, which finds its
    // libraries from its own path) and an empty lib/.
    void SetUp() override {
        root_ = servetest::temporaryPath("library_tree");
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
        fs::create_directories(root_ / "lib");
        std::error_code linked;
        fs::create_hard_link(MENTRENQ_BINARY, root_ / "bin/mentrenq", linked);
        if (linked) fs::copy_file(MENTRENQ_BINARY, root_ / "bin/mentrenq");
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path library() const { return root_ / "lib/mentrenq-serve.so"; }

    // Runs `serve` in the tree; expects the refusal and returns its reason.
    std::string refusal() const {
        const auto r = servetest::runProgram((root_ / "bin/mentrenq").string(), {"serve", "--listen", "127.0.0.1:0"});
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_EQ(r.out, "");
        const std::string start = "mentrenq: cannot load the server library " + (root_ / "bin/../lib/mentrenq-serve.so").string() + ": ";
        EXPECT_EQ(r.err.rfind(start, 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        return r.err.size() > start.size() ? r.err.substr(start.size(), r.err.size() - start.size() - 1) : r.err;
    }

    fs::path root_;
};

TEST_F(ServerLibraryTest, AMissingOrDamagedLibraryIsRefusedInOneLine) {
    EXPECT_NE(refusal().find("No such file or directory"), std::string::npos);

    std::ofstream(library()) << "not a library\n";
    EXPECT_EQ(refusal(), "not an ELF shared object");

    // Cut short: the dynamic loader would map segments past the file's end.
    const std::string whole = servetest::readFile(SERVER_LIBRARY);
    ASSERT_GT(whole.size(), 8192u);
    std::ofstream(library(), std::ios::binary | std::ios::trunc) << whole.substr(0, 8192);
    EXPECT_NE(refusal().find("past the end of the file"), std::string::npos);

    fs::remove(library());
    fs::create_directory(library());
    EXPECT_NE(refusal().find("not a regular file"), std::string::npos);
}

TEST_F(ServerLibraryTest, ALibraryWithoutTheEntryOrOfAnotherVersionIsNotCalled) {
    // A sound shared object, but not the server.
    fs::copy_file(HOLMVAR_LIBRARY, library());
    EXPECT_EQ(refusal(), "it is not the server library of mentrenq " MENTRENQ_VERSION);

    fs::remove(library());
    fs::copy_file(OTHER_VERSION_LIBRARY, library());
    EXPECT_EQ(refusal(), "it belongs to mentrenq \"0.9.0\", not " MENTRENQ_VERSION);
}

TEST_F(ServerLibraryTest, TheLibraryBesideTheProgramRunsWithTheOptionsGiven) {
    fs::copy_file(SERVER_LIBRARY, library());
    // An option only the command in the library reads: its answer proves
    // the library was loaded and given the options.
    const auto r = servetest::runProgram((root_ / "bin/mentrenq").string(), {"serve", "--listen", "nowhere"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "mentrenq: --listen \"nowhere\": give ADDRESS:PORT, PORT from 0 to 65535 (0: any free port)\n");
}

} // namespace
