#include "run_command.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace clitest {

namespace {
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
} // namespace

std::string temporaryFile(const std::string& name) {
    return ::testing::TempDir() + "mentrenq_cli_" + std::to_string(::getpid()) + "_" + name;
}

CommandResult runMentrenq(const std::vector<std::string>& args) {
    const std::string outPath = temporaryFile("stdout");
    const std::string errPath = temporaryFile("stderr");
    CommandResult result;
    pid_t pid = fork();
    if (pid == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        std::string emulator = MENTRENQ_EMULATOR;
        std::string binary = MENTRENQ_BINARY;
        if (!emulator.empty()) argv.push_back(emulator.data());
        argv.push_back(binary.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return result;
}

} // namespace clitest
