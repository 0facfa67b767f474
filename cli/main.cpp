// mentrenq: find out who holds what everyone is waiting for.
#include <cstring>
#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << cli::usage(nullptr);
        return cli::exitcode::usage;
    }
    const char* command = argv[1];
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::cout << cli::usage(i > 1 ? command : nullptr);
            return cli::exitcode::ok;
        }
    }
    if (!std::strcmp(command, "help")) {
        std::cout << cli::usage(argc > 2 ? argv[2] : nullptr);
        return cli::exitcode::ok;
    }
    if (!std::strcmp(command, "query")) return cli::queryCommand(argc, argv);
    if (!std::strcmp(command, "tree")) return cli::treeCommand(argc, argv);
    if (!std::strcmp(command, "sql")) return cli::sqlCommand(argc, argv);
    if (!std::strcmp(command, "demo")) return cli::demoCommand(argc, argv);
    if (!std::strcmp(command, "generate")) return cli::generateCommand(argc, argv);
    cli::reportError(std::string("unknown command ") + command);
    std::cerr << cli::usage(nullptr);
    return cli::exitcode::usage;
}
