#include <cstring>
#include <string>

#include "cli/commands.h"

namespace cli {

namespace {

constexpr char queryUsage[] =
    "mentrenq query [--db FILE | --demo] [--report] [--major NAME] [--minor NAME] [--enqplex NAME]\n"
    "               [--where 'COLUMN OP VALUE']... [--format table|csv|json]\n"
    "               [--trace LEVELS] [--trace-file FILE] [--module PATH]\n"
    "    Runs one MENTRENQ query through the module. --report asks for every contended\n"
    "    resource (REPORT = YES); --major, --minor and --enqplex together ask for the\n"
    "    owners and waiters of one resource in one Enqplex. --where passes any predicate\n"
    "    as given (OP one of =, <>, >=, <=, <, >). Predicates reach the module in\n"
    "    command-line order.\n";
constexpr char treeUsage[] =
    "mentrenq tree  [--db FILE | --demo] [--enqplex NAME] [--format text|json|dot]\n"
    "    Who blocks whom: for each Enqplex and contended resource (longest wait first),\n"
    "    the owners (true owner marked) and the waiters with their Systems and wait times.\n";
constexpr char sqlUsage[] =
    "mentrenq sql   [--db FILE | --demo] 'SQL'\n"
    "    Runs SQL on the snapshot with MENTRENQ as a table, e.g.\n"
    "    mentrenq sql \"SELECT * FROM MENTRENQ WHERE REPORT = 'YES' ORDER BY MAXWAITTM DESC\"\n";
constexpr char demoUsage[] =
    "mentrenq demo  --out FILE\n"
    "    Writes the built-in demo enterprise as a snapshot file.\n";
constexpr char generateUsage[] =
    "mentrenq generate --out FILE [--enqplexes N] [--sysplexes N] [--systems N] [--resources N]\n"
    "                  [--tasks N] [--seed N]\n"
    "    Writes a synthetic enterprise (N Enqplexes of N Sysplexes of N Systems, N contended\n"
    "    resources per Enqplex, about N tasks each). Same options and seed, same file.\n";
constexpr char commonUsage[] =
    "Without --db every command runs on the built-in demo enterprise.\n"
    "--trace LEVELS: events, error, detail, all or none (comma-separated), for every routine,\n"
    "    or ROUTINE:LEVELS for one; several items separated by blanks. The trace goes to\n"
    "    standard error, or to --trace-file. The module is ZRX.so beside the program\n"
    "    (../lib), $MENTRENQ_MODULE, or --module PATH.\n"
    "Exit status: 0 when the view ended normally, 2 for a usage error, 3 for any other status.\n";

std::string all() {
    return std::string("usage:\n") + queryUsage + treeUsage + sqlUsage + demoUsage + generateUsage + "\n" +
           commonUsage;
}

} // namespace

const char* usage(const char* command) {
    static const std::string whole = all();
    if (!command) return whole.c_str();
    if (!std::strcmp(command, "query")) return queryUsage;
    if (!std::strcmp(command, "tree")) return treeUsage;
    if (!std::strcmp(command, "sql")) return sqlUsage;
    if (!std::strcmp(command, "demo")) return demoUsage;
    if (!std::strcmp(command, "generate")) return generateUsage;
    return whole.c_str();
}

} // namespace cli
