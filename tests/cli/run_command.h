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

CommandResult runMentrenq(const std::vector<std::string>& args);

// A file name in the test's temporary folder, unique to this process.
std::string temporaryFile(const std::string& name);

} // namespace clitest
