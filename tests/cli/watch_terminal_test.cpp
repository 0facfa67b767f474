// watch on a real terminal, driven as a person drives it: tmux runs it in a
// window of its own, keys are sent to it and the window is read back. Every
// step waits for what it expects to appear, with a generous limit, rather
// than for a fixed time.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// One tmux server of the test's own, ended with the test.
class Terminal {
public:
    Terminal() : socket_("mentrenq-test-" + std::to_string(::getpid())) {}
    ~Terminal() { tmux("kill-server"); }

    static bool available() { return std::system("tmux -V >/dev/null 2>&1") == 0; }

    // Runs `command` in a window of the given size; once it ends, the shell
    // says its exit status and the terminal's echo and line modes.
    void start(const std::string& command, int columns, int rows) {
        const std::string after = "; echo EXITED $?; echo TTY $(stty -a | tr ' ;' '\\n\\n' | grep -x -e echo -e -echo "
                                  "-e icanon -e -icanon | sort | tr '\\n' ' '); sleep 600";
        tmux("new-session -d -x " + std::to_string(columns) + " -y " + std::to_string(rows) + " " +
             shellQuoted(command + after));
    }
    void keys(const std::string& keys) { tmux("send-keys " + keys); }
    void resize(int columns, int rows) {
        tmux("resize-window -x " + std::to_string(columns) + " -y " + std::to_string(rows));
    }
    std::string screen(bool escapes = false) { return output("capture-pane -p" + std::string(escapes ? " -e" : "")); }

    // The window once `wanted` shows in it (or absent, when `present` is
    // false); fails the test after two minutes.
    std::string waitFor(const std::string& wanted, bool present = true) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        std::string shown;
        while (std::chrono::steady_clock::now() < limit) {
            shown = screen();
            if ((shown.find(wanted) != std::string::npos) == present) return shown;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ADD_FAILURE() << (present ? "never showed: " : "never went: ") << wanted << "\n" << shown;
        return shown;
    }

private:
    int tmux(const std::string& args) {
        return std::system(("tmux -L " + socket_ + " -f /dev/null " + args + " >/dev/null 2>&1").c_str());
    }
    std::string output(const std::string& args) {
        std::string out;
        if (FILE* pipe = ::popen(("tmux -L " + socket_ + " " + args + " 2>/dev/null").c_str(), "r")) {
            char buffer[4096];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
            ::pclose(pipe);
        }
        return out;
    }
    std::string socket_;
};

// The demo with the tasks of one job removed, written where the snapshot
// will be renamed from, as a collector does.
std::string demoWithout(const std::string& name, const std::string& job) {
    const std::string path = clitest::temporaryFile(name);
    std::filesystem::remove(path);
    EXPECT_EQ(runMentrenq({"demo", "--out", path}).exitCode, 0);
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const std::string remove = "DELETE FROM ENQ_TASKS WHERE rtrim(JOBNAME) = '" + job +
                               "'; DELETE FROM MGLBLENQ WHERE rtrim(WAITINGAS) = '" + job + "';";
    EXPECT_EQ(sqlite3_exec(db, remove.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    return path;
}

bool skipReason(std::string& why) {
#ifndef MENTRENQ_WATCH_SCREEN
    why = "this build of mentrenq has no full screen (no ncurses)";
    return true;
#endif
    if (std::string(MENTRENQ_EMULATOR) != "") why = "the program runs under an emulator here";
    else if (!Terminal::available()) why = "tmux is not installed";
    return !why.empty();
}

TEST(WatchTerminal, MarksChangesFollowsTheFileThroughResizeAndAbsenceAndQuitsClean) {
    if (std::string why; skipReason(why)) GTEST_SKIP() << why;
    const std::string snapshot = clitest::temporaryFile("watched.db");
    // A: GLRECON's wait is not there yet. B: it is, and HRBENUPD's is over.
    const std::string a = demoWithout("watched-a.db", "GLRECON");
    const std::string b = demoWithout("watched-b.db", "HRBENUPD");
    std::filesystem::copy_file(a, snapshot, std::filesystem::copy_options::overwrite_existing);

    Terminal terminal;
    terminal.start(std::string(MENTRENQ_BINARY) + " watch --every 3 --db " + shellQuoted(snapshot), 110, 40);
    std::string shown = terminal.waitFor("HRBENUPD");
    EXPECT_NE(shown.find("mentrenq watch  " + snapshot + "  every 3 s  refresh 1 at "), std::string::npos) << shown;
    EXPECT_NE(shown.find("8 contended resources, "), std::string::npos) << shown;
    EXPECT_EQ(shown.find("GLRECON"), std::string::npos);

    // The collector renames a new version over the file.
    std::filesystem::copy_file(b, snapshot + ".new");
    std::filesystem::rename(snapshot + ".new", snapshot);
    shown = terminal.waitFor("+ SYSDSN GL.PROD.LEDGER.HISTORY (PRODENQ)");
    EXPECT_NE(shown.find("    + waiter GLRECON  on PRDB"), std::string::npos) << shown;
    EXPECT_NE(shown.find("cleared: waiter HRBENUPD on PRDD for SYSDSN PAY.PROD.EMPLOYEE.MASTER (PRODENQ)"),
              std::string::npos)
        << shown;

    // A small window: the longest waits stay, the rest is counted.
    terminal.resize(70, 12);
    shown = terminal.waitFor(" more (");
    EXPECT_NE(shown.find("SPFEDIT PAY.PROD.SOURCE"), std::string::npos) << shown;
    EXPECT_NE(shown.find("q or Ctrl-C quits"), std::string::npos) << shown;
    terminal.resize(110, 40);
    terminal.waitFor(" more (", false);

    // The file goes away, and comes back.
    std::filesystem::remove(snapshot);
    shown = terminal.waitFor("! no snapshot file ");
    EXPECT_NE(shown.find("showing the refresh of "), std::string::npos) << shown;
    EXPECT_NE(shown.find("GLRECON"), std::string::npos) << "the last good refresh stays on the screen";
    EXPECT_NE(terminal.screen(true).find("31m"), std::string::npos) << "the problem in red";
    std::filesystem::copy_file(a, snapshot);
    shown = terminal.waitFor("! no snapshot file ", false);
    shown = terminal.waitFor("+ waiter HRBENUPD");
    EXPECT_NE(shown.find("cleared: SYSDSN GL.PROD.LEDGER.HISTORY (PRODENQ)"), std::string::npos) << shown;

    terminal.keys("q");
    shown = terminal.waitFor("TTY ");
    EXPECT_NE(shown.find("EXITED 0"), std::string::npos) << shown;
    EXPECT_NE(shown.find("TTY echo icanon"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("mentrenq watch"), std::string::npos) << "the alternate screen is gone: " << shown;
    for (const auto& path : {snapshot, a, b}) std::filesystem::remove(path);
}

TEST(WatchTerminal, CtrlCLeavesTheTerminalAsItWasAndNoColourWithNoColor) {
    if (std::string why; skipReason(why)) GTEST_SKIP() << why;
    const std::string snapshot = demoWithout("watched-plain.db", "NOBODY");
    Terminal terminal;
    terminal.start("NO_COLOR=1 " + std::string(MENTRENQ_BINARY) + " watch --every 1 --db " + shellQuoted(snapshot), 100,
                   30);
    terminal.waitFor("refresh 1 at");
    std::filesystem::remove(snapshot);
    terminal.waitFor("! no snapshot file ");
    const std::string escapes = terminal.screen(true);
    for (const char* colour : {"31m", "32m", "33m"}) EXPECT_EQ(escapes.find(colour), std::string::npos) << colour;
    terminal.keys("C-c");
    const std::string shown = terminal.waitFor("TTY ");
    EXPECT_NE(shown.find("EXITED 0"), std::string::npos) << shown;
    EXPECT_NE(shown.find("TTY echo icanon"), std::string::npos) << shown;
}

TEST(WatchTerminal, WithoutItsScreenLibraryItSaysSoAndWritesPlainFrames) {
    if (std::string why; skipReason(why)) GTEST_SKIP() << why;
    // The very program in a tree of its own whose lib/ has no screen library.
    const std::filesystem::path tree = clitest::temporaryFile("screenless");
    std::filesystem::remove_all(tree);
    std::filesystem::create_directories(tree / "bin");
    std::filesystem::create_directories(tree / "lib");
    std::error_code linked;
    std::filesystem::create_hard_link(MENTRENQ_BINARY, tree / "bin/mentrenq", linked);
    if (linked) std::filesystem::copy_file(MENTRENQ_BINARY, tree / "bin/mentrenq");
    const std::string module = (std::filesystem::path(MENTRENQ_BINARY).parent_path() / "../lib/ZRX.so").string();

    Terminal terminal;
    terminal.start("MENTRENQ_MODULE=" + shellQuoted(module) + " " + shellQuoted((tree / "bin/mentrenq").string()) +
                       " watch --count 1",
                   200, 40);
    const std::string shown = terminal.waitFor("EXITED");
    EXPECT_NE(shown.find("mentrenq: cannot load the screen library " + (tree / "bin/../lib/mentrenq-screen.so").string() +
                         ": No such file or directory; writing plain frames instead"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("9 contended resources, 12 waiting tasks"), std::string::npos) << shown;
    EXPECT_NE(shown.find("EXITED 0"), std::string::npos) << shown;
    std::filesystem::remove_all(tree);
}

} // namespace
