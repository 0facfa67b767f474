// The user's files are never destroyed: --out, --force, the trace file, and
// write errors on every output.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "run_command.h"

namespace {

using clitest::readFile;
using clitest::runMentrenq;
using clitest::temporaryFile;
namespace fs = std::filesystem;

// Files whose names begin with `prefix` in the folder of `path`.
int filesStartingWith(const std::string& path, const std::string& prefix) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
        n += entry.path().filename().string().rfind(prefix, 0) == 0;
    return n;
}

TEST(OutputFiles, OnlyARegularFileOrANewPathIsWritten) {
    const std::string target = temporaryFile("target.txt"), fifo = temporaryFile("fifo"),
                      link = temporaryFile("link.db"), folder = temporaryFile("folder");
    std::ofstream(target) << "keep me\n";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    fs::create_directory(folder);
    const std::pair<std::string, std::string> refused[] = {
        {fifo, "a FIFO"}, {link, "a symbolic link"}, {"/dev/null", "a character device"}, {folder, "a directory"}};
    for (const auto& [path, kind] : refused) {
        for (const char* command : {"demo", "generate"}) {
            auto r = runMentrenq({command, "--out", path, "--force"});
            EXPECT_EQ(r.exitCode, 2) << path;
            EXPECT_EQ(r.err, "mentrenq: " + path + " is " + kind + "; --out writes only to a regular file or a new path\n");
        }
    }
    struct stat st {};
    EXPECT_TRUE(::lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(::stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
    EXPECT_EQ(readFile(target), "keep me\n");
    for (const auto& path : {target, fifo, link, folder}) fs::remove(path);
}

TEST(OutputFiles, AnExistingFileIsReplacedOnlyWithForce) {
    const std::string path = temporaryFile("existing.db");
    std::ofstream(path) << "my own notes\n";
    ::chmod(path.c_str(), 0640);
    auto refused = runMentrenq({"demo", "--out", path});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "mentrenq: " + path + " exists; give --force to replace it\n");
    EXPECT_EQ(readFile(path), "my own notes\n");

    auto forced = runMentrenq({"demo", "--out", path, "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(forced.err, "wrote " + path + "\n");
    EXPECT_EQ(runMentrenq({"query", "--db", path, "--report", "--format", "csv"}).out,
              runMentrenq({"query", "--report", "--format", "csv"}).out);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
    fs::remove(path);
}

TEST(OutputFiles, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind) {
    const std::string path = temporaryFile("full.db");
    std::ofstream(path) << "the old snapshot\n";
    clitest::RunOptions small;
    small.fileSizeLimit = 16384;
    auto r = runMentrenq({"generate", "--out", path, "--force", "--resources", "500"}, small);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err.rfind("mentrenq: cannot write " + path + ": ", 0), 0u) << r.err;
    EXPECT_EQ(readFile(path), "the old snapshot\n");
    EXPECT_EQ(filesStartingWith(path, "." + fs::path(path).filename().string()), 0) << "no temporary file left";
    fs::remove(path);
}

TEST(TraceFile, NeverASnapshotAndOpenedOnlyForATrace) {
    const std::string db = temporaryFile("traced.db"), link = temporaryFile("traced-link");
    ASSERT_EQ(runMentrenq({"demo", "--out", db}).exitCode, 0);
    ASSERT_EQ(::symlink(db.c_str(), link.c_str()), 0);
    const std::string before = readFile(db);
    for (const auto& trace : {db, link}) {
        auto r = runMentrenq({"query", "--db", db, "--report", "--trace", "all", "--trace-file", trace});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, "mentrenq: the trace file " + trace + " is " + db + ", which the command reads\n");
    }
    EXPECT_EQ(readFile(db), before);

    const std::string unused = temporaryFile("unused-trace.txt");
    auto quiet = runMentrenq({"query", "--db", db, "--report", "--format", "csv", "--trace-file", unused});
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_FALSE(fs::exists(unused)) << "no trace line, no trace file";
    for (const auto& path : {db, link}) fs::remove(path);
}

TEST(TraceFile, FollowsTheRulesOfOut) {
    const std::string dir = temporaryFile("trace-rules"), other = dir + "/other.db", notes = dir + "/notes.txt",
                      dangling = dir + "/dangling", missing = dir + "/missing", toNotes = dir + "/to-notes";
    fs::create_directory(dir);
    ASSERT_EQ(runMentrenq({"demo", "--out", other}).exitCode, 0);
    std::ofstream(notes) << "my notes\n";
    ASSERT_EQ(::symlink(missing.c_str(), dangling.c_str()), 0);
    ASSERT_EQ(::symlink(notes.c_str(), toNotes.c_str()), 0);
    const std::string snapshot = readFile(other);
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--trace-file", dangling}, dangling + " is a symbolic link to a missing file"},
        {{"--trace-file", toNotes, "--force"}, toNotes + " is a symbolic link to a regular file"},
        {{"--trace-file", other}, other + " exists; give --force to replace it"},
        {{"--trace-file", notes}, notes + " exists; give --force to replace it"},
        {{"--trace-file", dir, "--force"}, dir + " is a directory"},
    };
    for (const auto& [options, why] : refused) {
        std::vector<std::string> args = {"query", "--report", "--trace", "all"};
        args.insert(args.end(), options.begin(), options.end());
        auto r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 2) << why;
        EXPECT_EQ(r.err.rfind("mentrenq: the trace file " + why, 0), 0u) << r.err;
    }
    EXPECT_FALSE(fs::exists(missing)) << "nothing is created through a link";
    EXPECT_EQ(readFile(other), snapshot);
    EXPECT_EQ(readFile(notes), "my notes\n");

    auto forced = runMentrenq({"query", "--report", "--format", "csv", "--trace", "FigConfig:events", "--trace-file",
                               notes, "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(readFile(notes), "FigConfig: > entry\nFigConfig: < exit 0\n");
    fs::remove_all(dir);
}

TEST(TraceFile, StandardErrorThroughItsLinkIsJoinedNotRewritten) {
    // Standard error of the test goes to a regular file: /dev/stderr is a
    // link to it, and the trace follows the command's own lines.
    auto r = runMentrenq({"query", "--db", "/nonexistent", "--trace", "all", "--trace-file", "/dev/stderr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "mentrenq: no snapshot file /nonexistent\n") << "no trace, nothing opened";
    auto traced = runMentrenq({"query", "--report", "--trace", "FigConfig:events", "--trace-file", "/dev/stderr"});
    EXPECT_EQ(traced.exitCode, 0);
    EXPECT_EQ(traced.err.rfind("FigConfig: > entry\nFigConfig: < exit 0\n" + clitest::demoNotSeen +
                                   "9 rows, status 62 (end of data), ",
                               0),
              0u)
        << traced.err;
}

TEST(WriteErrors, AReaderThatGoesAwayEndsWithStatus3AndALine) {
    clitest::RunOptions gone;
    gone.readerGone = true;
    for (const auto& args : {std::vector<std::string>{"query", "--report", "--format", "csv"},
                             std::vector<std::string>{"tree"}, std::vector<std::string>{"sql", "SELECT 1"}}) {
        auto r = runMentrenq(args, gone);
        EXPECT_EQ(r.exitCode, 3) << args[0] << ": not ended by SIGPIPE";
        EXPECT_EQ(clitest::withoutNotSeen(r.err),
                  "mentrenq: cannot write standard output: Broken pipe (its reader stopped reading; the output "
                  "is cut short)\n");
    }
}

TEST(WriteErrors, EveryOutputThatCannotBeWrittenEndsWithStatus3) {
    clitest::RunOptions full;
    full.stdoutPath = "/dev/full";
    const std::string noSpace = "mentrenq: cannot write standard output: No space left on device\n";
    for (const auto& args : {std::vector<std::string>{"query", "--report", "--format", "csv"},
                             std::vector<std::string>{"query", "--report", "--format", "json"},
                             std::vector<std::string>{"tree"}, std::vector<std::string>{"tree", "--format", "dot"},
                             std::vector<std::string>{"sql", "SELECT * FROM MENTRENQ WHERE REPORT = 'YES'"},
                             std::vector<std::string>{"query", "--help"}}) {
        auto r = runMentrenq(args, full);
        EXPECT_EQ(r.exitCode, 3) << args[0];
        EXPECT_EQ(clitest::withoutNotSeen(r.err), noSpace) << args[0];
    }
    auto trace = runMentrenq({"query", "--report", "--format", "csv", "--trace", "all", "--trace-file", "/dev/full"});
    EXPECT_EQ(trace.exitCode, 3);
    EXPECT_EQ(clitest::withoutNotSeen(trace.err),
              "mentrenq: cannot write the trace file /dev/full: No space left on device\n");
}

} // namespace
