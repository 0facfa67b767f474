// check: every value of a snapshot file that its column cannot deliver.
#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/enterprise_source.h"
#include "cli/message_text.h"
#include "cli/standard_output.h"

namespace cli {

int checkCommand(const Arguments& args) {
    const std::string dbFile = args.value("--db");
    std::string error;
    bool locked = false;
    auto snapshot = openEnterprise(dbFile, error, locked);
    if (!snapshot) {
        reportError(error);
        return locked ? exitcode::viewStatus : exitcode::usage;
    }
    std::vector<std::string> problems;
    const bool checked = snapshotProblems(*snapshot, 0, problems, error);
    for (const auto& line : problems) std::cout << line << '\n';
    flushStandardOutput();
    if (snapshot->readingSpoiled(error)) {
        reportError(shownName(dbFile) + ": " + error);
        return exitcode::viewStatus;
    }
    if (!checked) {
        reportError(shownName(dbFile) + ": " + error);
        return exitcode::usage;
    }
    if (!problems.empty()) {
        reportError(shownName(dbFile) + ": " + std::to_string(problems.size()) +
                    (problems.size() == 1 ? " value its column cannot deliver" : " values their columns cannot deliver"));
        return exitcode::usage;
    }
    std::cerr << shownName(dbFile) << ": every value fits its column\n";
    return exitcode::ok;
}

} // namespace cli
