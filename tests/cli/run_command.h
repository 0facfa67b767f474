// Runs the mentrenq binary as a user does and captures what it writes.
#pragma once

#include <string>
#include <vector>

namespace clitest {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string input;          // standard input
    long fileSizeLimit = -1;    // bytes a written file may reach (RLIMIT_FSIZE), -1 for none
    std::string stdoutPath;     // write standard output there instead of capturing it
    bool bareEnvironment = false; // no MENTRENQ_MODULE, LD_LIBRARY_PATH or other variables
    bool machineProgram = false;  // a program of this machine (cmake), never run through the emulator
    bool readerGone = false;      // standard output is a pipe whose reader has closed it
    unsigned hangLimitSeconds = 0; // SIGALRM ends a program that runs longer (exit 142); 0 for none
};

CommandResult runMentrenq(const std::vector<std::string>& args, const RunOptions& options = {});
CommandResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const RunOptions& options = {});

// Starts the mentrenq binary without waiting for it; its standard output
// and error go to `errPath`. The caller waits for the process it returns.
int startMentrenq(const std::vector<std::string>& args, const std::string& errPath);

// A file name in the test's temporary folder, unique to this process.
std::string temporaryFile(const std::string& name);

std::string readFile(const std::string& path);

// What a report on the demo enterprise says it did not see: PRDE's agent is
// offline, so the view asks PRDE nothing of its own.
inline const std::string demoNotSeen =
    "mentrenq: warning: not seen: 1 System not asked for its tasks on resources that other PlexHubs reported (no "
    "online agent node gives a thru-node)\n";

// `err` without the lines that say what the view did not see.
std::string withoutNotSeen(const std::string& err);

} // namespace clitest
