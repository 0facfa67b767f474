// Replacing a file only when it is still the one that was checked.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cli/output_file.h"
#include "run_command.h"

namespace {

namespace fs = std::filesystem;
using clitest::readFile;
using clitest::temporaryFile;

// A write that puts `text` into the new file and, meanwhile, lets `change`
// happen to the target.
auto writing(std::string text, std::function<void()> change) {
    return [text, change](const std::string& temporary, std::string&) {
        std::ofstream(temporary) << text;
        change();
        return true;
    };
}

TEST(OutputFile, ATargetReplacedMeanwhileIsLeftAsItIs) {
    const std::string path = temporaryFile("raced.db"), other = temporaryFile("other.txt");
    std::ofstream(path) << "old\n";
    std::ofstream(other) << "someone else's\n";
    std::string error;
    const bool wrote = cli::writeOutputFile(path, true, writing("new\n", [&] {
        fs::remove(path);
        fs::create_symlink(other, path);
    }), error);
    EXPECT_FALSE(wrote);
    EXPECT_EQ(error, path + " changed while it was being written; it is left as it is");
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(readFile(other), "someone else's\n");
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
        EXPECT_NE(entry.path().filename().string().rfind(".raced.db.", 0), 0u) << "temporary file left";
    fs::remove(path);
    fs::remove(other);
}

TEST(OutputFile, ANewPathTakenMeanwhileIsKept) {
    const std::string path = temporaryFile("taken.db");
    std::string error;
    const bool wrote = cli::writeOutputFile(path, false, writing("new\n", [&] { std::ofstream(path) << "theirs\n"; }),
                                            error);
    EXPECT_FALSE(wrote);
    EXPECT_EQ(error, path + " appeared while it was being written; it is left as it is");
    EXPECT_EQ(readFile(path), "theirs\n");
    fs::remove(path);

    ASSERT_TRUE(cli::writeOutputFile(path, false, writing("new\n", [] {}), error)) << error;
    EXPECT_EQ(readFile(path), "new\n");
    fs::remove(path);
}

} // namespace
