// check: every value of a snapshot file that its column cannot deliver, and
// any table of its own that is named like the view.
#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/enterprise_source.h"
#include "cli/mentrenq_table.h"
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
    // Not a value the view cannot read, so the file still passes; but a user
    // who reads the table in sql should know which one MENTRENQ names.
    std::string schemaError;
    const auto named = tablesNamedLikeTheView(snapshot->db(), schemaError);
    for (const auto& table : named)
        std::cout << printableMessage(table) << ": named like the view; in sql, MENTRENQ is the view and this "
                  << table.substr(0, table.find(' ')) << " is main." << printableMessage(table.substr(table.find(' ') + 1))
                  << '\n';
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
    if (!schemaError.empty()) {
        reportError(shownName(dbFile) + ": " + schemaError);
        return exitcode::viewStatus;
    }
    std::cerr << shownName(dbFile) << ": every value fits its column"
              << (named.empty() ? "" : "; a table of its own is named like the view (listed above)") << "\n";
    return exitcode::ok;
}

} // namespace cli
