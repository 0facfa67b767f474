#include "run_command.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace clitest {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string temporaryFile(const std::string& name) {
    return ::testing::TempDir() + "mentrenq_cli_" + std::to_string(::getpid()) + "_" + name;
}

CommandResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const RunOptions& options) {
    const std::string inPath = temporaryFile("stdin");
    const std::string outPath = options.stdoutPath.empty() ? temporaryFile("stdout") : options.stdoutPath;
    const std::string errPath = temporaryFile("stderr");
    std::ofstream(inPath, std::ios::binary) << options.input;
    CommandResult result;
    int pipeEnds[2] = {-1, -1};
    if (options.readerGone) {
        // Closed before the program starts, so that its first write fails.
        if (::pipe(pipeEnds) != 0) return result;
        ::close(pipeEnds[0]);
    }
    pid_t pid = fork();
    if (pid == 0) {
        int in = ::open(inPath.c_str(), O_RDONLY);
        int out = options.readerGone ? pipeEnds[1] : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        // The program decides what a write to a pipe without reader does.
        std::signal(SIGPIPE, SIG_DFL);
        // Kept across exec: a program that hangs ends by the signal.
        if (options.hangLimitSeconds > 0) ::alarm(options.hangLimitSeconds);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (options.fileSizeLimit >= 0) {
            // A write beyond the limit then fails with EFBIG instead of
            // ending the program.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv;
        std::string emulator = MENTRENQ_EMULATOR;
        std::string binary = program;
        const bool emulate = !emulator.empty() && !options.machineProgram;
        if (emulate) argv.push_back(emulator.data());
        argv.push_back(binary.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        char* bare[] = {nullptr};
        if (options.bareEnvironment) execve(argv[0], argv.data(), bare);
        else execv(argv[0], argv.data());
        _exit(127);
    }
    if (options.readerGone) ::close(pipeEnds[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const bool captured = options.stdoutPath.empty() && !options.readerGone;
    if (captured) result.out = readFile(outPath);
    result.err = readFile(errPath);
    if (captured) std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    std::remove(inPath.c_str());
    return result;
}

int startMentrenq(const std::vector<std::string>& args, const std::string& errPath) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int in = ::open("/dev/null", O_RDONLY);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(err, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    std::string emulator = MENTRENQ_EMULATOR, binary = MENTRENQ_BINARY;
    if (!emulator.empty()) argv.push_back(emulator.data());
    argv.push_back(binary.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

CommandResult runMentrenq(const std::vector<std::string>& args, const RunOptions& options) {
    return runProgram(MENTRENQ_BINARY, args, options);
}

std::string withoutNotSeen(const std::string& err) {
    std::string kept;
    for (size_t at = 0; at < err.size();) {
        const size_t end = std::min(err.find('\n', at), err.size() - 1) + 1;
        const std::string line = err.substr(at, end - at);
        if (line.rfind("mentrenq: warning: not seen: ", 0) != 0) kept += line;
        at = end;
    }
    return kept;
}

} // namespace clitest
