// The commands of mentrenq; each returns the program's exit status.
#pragma once

namespace cli {

int queryCommand(int argc, char** argv);
int treeCommand(int argc, char** argv);
int sqlCommand(int argc, char** argv);
int demoCommand(int argc, char** argv);
int generateCommand(int argc, char** argv);

// Usage of one command, or of all when `command` is null.
const char* usage(const char* command);

} // namespace cli
