#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

#include "cli/history_command_line.h"
#include "cli/alert_range.h"
#include "cli/waits_verdict.h"
#include "cli/message_text.h"
#include "cli/option_checks.h"
#include "cli/columns.h"
#include "cli/trace_option.h"
#include "picture/builder.h"
#include "scenarios/generator.h"

namespace cli {

namespace {

constexpr char commonFooter[] =
    "mentrenq COMMAND --help describes a command and its options; --help-all, every command.\n"
    "An option that takes a value takes the next argument unless it begins with '-'; write\n"
    "--major=-X for such a value. An option that takes one value may be given once. '--' ends\n"
    "the options.\n"
    "Exit status: 0 on success, 2 for a usage error, 3 for any other status of the view and for\n"
    "a file or output that cannot be written.";

// The help of the commands that run the view, after their own.
constexpr char viewFooter[] =
    "Without --db the command runs on the built-in demo enterprise.\n"
    "--trace LEVELS: events, error, detail, all or none (comma-separated), for every routine, or\n"
    "ROUTINE:LEVELS for one routine of the module; several items separated by blanks. The trace\n"
    "goes to standard error, or to --trace-file, opened only when there is a line to write: a new\n"
    "path, a regular file with --force, a FIFO or a character device, never through a symbolic\n"
    "link to a file.\n"
    "The module is ZRX.so in the lib folder beside the program's folder, $MENTRENQ_MODULE, or\n"
    "--module PATH.";

constexpr char viewExitFooter[] =
    "Exit status: 0 when the view ended normally, 2 for a usage error, 3 for any other status\n"
    "of the view and for a file or output that cannot be written.";

constexpr char fileFooter[] =
    "The file is written only to a new path, or with --force to a regular file; the snapshot\n"
    "takes its name once it is whole.\n"
    "Exit status: 0 when the file was written, 2 for a usage error, 3 when it cannot be written.";
// `text` broken at blanks into lines of at most `width` characters.
std::string wrappedList(const std::string& text, size_t width) {
    std::string out, line;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            out += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        at = end + 1;
    }
    return out + line;
}

// An empty value, as an unset shell variable gives, is refused.
CLI::Validator nonEmpty(std::string need) {
    return CLI::Validator([need](std::string& text) -> std::string { return text.empty() ? need : ""; }, "", "");
}

CLI::Validator fileName() { return nonEmpty("needs a file name"); }

CLI::Validator traceLevels() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            platform::TraceSettings settings;
            std::string error;
            return parseTraceOption(text, settings, error) ? "" : error;
        },
        "", "");
}

// A predicate option: every occurrence reaches the view.
CLI::Option* repeated(CLI::Option* option) { return option->expected(1)->take_all(); }

// Where the view's enterprise comes from, how it is traced and how much
// storage a session of the reference data server may hand out.
void addEnterpriseOptions(CLI::App& command) {
    single(command.add_option("--db")->description("The enterprise snapshot (default: the built-in demo)"))
        ->type_name("FILE")
        ->check(fileName());
    command.add_flag("--demo")->description("Use the built-in demo enterprise");
    single(command.add_option("--trace")->description("Turn on the module's trace"))->type_name("LEVELS")->check(traceLevels());
    single(command.add_option("--trace-file")->description("Write the trace to FILE instead of standard error"))
        ->type_name("FILE")
        ->check(fileName());
    command.add_flag("--force")->description("Replace the file given to --trace-file when it exists");
    single(command.add_option("--module")->description("Load the view module from PATH"))->type_name("PATH")->check(fileName());
    single(command.add_option("--storage-limit")->description("Storage in bytes that one session of the data server may hand out "
                              "(default: no limit)"))
        ->type_name("BYTES")
        ->check(wholeNumber(1, 4294967295LL));
}

void addQuery(CLI::App& app) {
    CLI::App* query = app.add_subcommand("query", "Run one MENTRENQ query through the module");
    addEnterpriseOptions(*query);
    query->add_flag("--report")->description("Every contended resource (REPORT = 'YES')");
    repeated(query->add_option("--major")->description("The major name of one resource"))->type_name("NAME");
    repeated(query->add_option("--minor")->description("The minor name of one resource"))->type_name("NAME");
    repeated(query->add_option("--enqplex")->description("The Enqplex of one resource"))->type_name("NAME");
    repeated(query->add_option("--where")->description("A predicate 'COLUMN OP VALUE', OP one of = <> >= <= < >"))
        ->type_name("PREDICATE");
    addPastOptions(*query);
    single(query->add_option("--format")->description("How to write the rows"))
        ->type_name("table|csv|json")
        ->check(oneOf({"table", "csv", "json"}));
    query->footer(
        "A query is a report (--report: every contended resource, one row per resource and\n"
        "Enqplex) or one resource (--major, --minor and --enqplex together: one row per owner\n"
        "and waiter). With --where, every predicate is also checked on the rows as sql checks\n"
        "a WHERE clause; the predicates reach the view in command-line order when they make\n"
        "a report or one resource, otherwise the view gets the report or the resource that\n"
        "holds the rows they keep. Column names may be written in any case; a value may be\n"
        "quoted ('YES'); an ASID may be written X'0052'.\n"
        "With --history FILE --at TIME the answer is the one the view gave in the sample taken at or\n"
        "before TIME (mentrenq record keeps them).\n" +
        wrappedList("Columns: " + columnNames() + ".", 90));
}

void addTree(CLI::App& app) {
    CLI::App* tree = app.add_subcommand("tree", "Who blocks whom: owners and waiters of every contended resource");
    addEnterpriseOptions(*tree);
    addPastOptions(*tree);
    single(tree->add_option("--enqplex")->description("Only this Enqplex"))
        ->type_name("NAME")
        ->check(nonEmpty("needs a name"));
    single(tree->add_option("--format")->description("How to write the tree"))
        ->type_name("text|json|dot")
        ->check(oneOf({"text", "json", "dot"}));
    single(tree->add_option("--jobs")->description("Resources asked about at once (default: one per core)"))
        ->type_name("N")
        ->check(wholeNumber(1, picture::maxJobs));
    tree->footer(
        "For each Enqplex and contended resource (longest wait first): the owners (the true\n"
        "owner marked) and the waiters with their Systems and wait times.");
}

void addSql(CLI::App& app) {
    CLI::App* sql = app.add_subcommand("sql", "Run SQL on the snapshot, with MENTRENQ as a table");
    addEnterpriseOptions(*sql);
    sql->add_option("SQL")->description("The statements; - reads them from standard input")->expected(1);
    single(sql->add_option("--file")->description("Read the statements from FILE (- for standard input)"))
        ->type_name("FILE")
        ->check(fileName());
    single(sql->add_option("--format")->description("How to write the results"))
        ->type_name("table|csv|json")
        ->check(oneOf({"table", "csv", "json"}));
    sql->footer(
        "The view gets the single-resource predicates when MAJORNAME, MINORNAME and ENQPLEX are\n"
        "all given with =, otherwise the report; SQLite checks every condition again, so any\n"
        "WHERE clause answers. The command only reads: statements that would write are refused.\n"
        "csv and json write the result of one statement; a table is written for each statement.\n"
        "A blob, and a text holding a NUL byte, are written as x'..' (its bytes in hex).\n"
        "e.g. mentrenq sql \"SELECT * FROM MENTRENQ WHERE REPORT = 'YES' ORDER BY MAXWAITTM DESC\"");
}

void addCheck(CLI::App& app) {
    CLI::App* check = app.add_subcommand("check", "List every value of a snapshot that its column cannot deliver");
    single(check->add_option("--db")->description("The enterprise snapshot"))
        ->type_name("FILE")
        ->required()
        ->check(fileName());
    check->footer(
        "One line per value: table, row (rowid), column, value and what is wrong. query, tree and sql\n"
        "refuse a snapshot with such a value. Exit status: 0 when every value fits, 2 when one does\n"
        "not (as for a file that is not a snapshot), 3 when another process keeps the file locked.");
}

void addOut(CLI::App& command) {
    single(command.add_option("--out")->description("The snapshot file to write (a new file or, with --force, a regular file)"))
        ->type_name("FILE")
        ->required()
        ->check(fileName());
    command.add_flag("--force")->description("Replace the file given to --out when it exists");
}

void addDemo(CLI::App& app) {
    CLI::App* demo = app.add_subcommand("demo", "Write the built-in demo enterprise as a snapshot file");
    addOut(*demo);
    demo->footer(fileFooter);
}

void addGenerate(CLI::App& app) {
    using namespace scenarios;
    CLI::App* generate = app.add_subcommand("generate", "Write a synthetic enterprise as a snapshot file");
    addOut(*generate);
    generate->get_option("--out")->required(false);
    addTimelineOptions(*generate);
    auto number = [&](const char* name, const char* text, long long low, long long high) {
        const std::string range = high < INT32_MAX ? " in " + std::to_string(low) + ".." + std::to_string(high) : "";
        single(generate->add_option(name)->description(text))->type_name("N" + range)->check(wholeNumber(low, high));
    };
    number("--enqplexes", "Enqplexes", 1, maxEnqplexes);
    number("--sysplexes", "Sysplexes per Enqplex", 1, maxSysplexesPerEnqplex);
    number("--systems", "Systems per Sysplex (at most 64 per Enqplex)", 1, maxSystemsPerEnqplex);
    number("--resources", "Contended resources per Enqplex", 0, maxResourcesPerEnqplex);
    number("--tasks", "Average tasks per resource", minTasksPerResource, maxTasksPerResource);
    number("--seed", "Seed of the generator", 0, INT64_MAX);
    generate->footer("--resources times --tasks (the tasks of one Enqplex) must be at most " +
                     std::to_string(maxTaskBudgetPerEnqplex) + ".\n"
                     "Same options and seed, same file. Warns when a report on the enterprise would exceed the\n"
                     "view's limits. With --timeline N, writes N snapshots of the enterprise as it changes,\n"
                     "--step seconds apart, to --out-dir (snapshot-00001.db, ...), each with its CAPTURE time.\n" +
                     std::string(fileFooter));
}

void addServe(CLI::App& app) {
    CLI::App* serve = app.add_subcommand("serve", "Serve the view over HTTP: Prometheus metrics, a JSON API and a page");
    addEnterpriseOptions(*serve);
    single(serve->add_option("--listen")->description("The address and port to listen on (default: 127.0.0.1:9797)"))
        ->type_name("ADDRESS:PORT")
        ->check(nonEmpty("needs ADDRESS:PORT"));
    single(serve->add_option("--threads")->description("Requests served at once (default: 4)"))
        ->type_name("N")
        ->check(wholeNumber(1, 256));
    single(serve->add_option("--queue")->description("Requests that may wait for a thread; beyond, 503 (default: 16)"))
        ->type_name("N")
        ->check(wholeNumber(0, 4096));
    single(serve->add_option("--client-timeout")->description("Seconds a client may take for each read and write (default: 5)"))
        ->type_name("SECONDS")
        ->check(wholeNumber(1, 3600));
    single(serve->add_option("--history")->description("Also answer the past from this history of record's (only read)"))
        ->type_name("FILE")
        ->check(fileName());
    serve->footer(
        "GET / (the page), /metrics (Prometheus), /api/v1/contention (the rows of query --format json; parameters\n"
        "report, major, minor, enqplex, where as query's options), /api/v1/tree (tree --format json; enqplex),\n"
        "/api/v1/status (each Enqplex and System). The snapshot is only read; an unchanged one is answered from\n"
        "the last reading. With --history FILE, also /api/v1/history?since=T[&until=T] (the episodes, as\n"
        "history --format json), /api/v1/history/samples?since=T (the page's timeline), and ?at=T on contention\n"
        "and tree: the view as the sample in force at T holds it. The history is only read; record may add to it\n"
        "meanwhile. SIGTERM or SIGINT stops it once the requests accepted are answered (exit 0).\n"
        "An access log line per request goes to standard error.");
}

CLI::Validator alertRange() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            std::string error;
            return AlertRange::parse(text, error) ? "" : error;
        },
        "", "");
}

void addWaits(CLI::App& app) {
    CLI::App* waits = app.add_subcommand("waits", "A check for monitoring systems: the longest wait and the waiting tasks");
    addEnterpriseOptions(*waits);
    single(waits->add_option("--warning")->description("WARNING when the longest wait, in seconds, is outside RANGE"))
        ->type_name("RANGE")
        ->check(alertRange());
    single(waits->add_option("--critical")->description("CRITICAL when the longest wait, in seconds, is outside RANGE"))
        ->type_name("RANGE")
        ->check(alertRange());
    single(waits->add_option("--waiters-warning")->description("WARNING when the waiting tasks are outside RANGE"))
        ->type_name("RANGE")
        ->check(alertRange());
    single(waits->add_option("--waiters-critical")->description("CRITICAL when the waiting tasks are outside RANGE"))
        ->type_name("RANGE")
        ->check(alertRange());
    single(waits->add_option("--enqplex")->description("Only this Enqplex"))
        ->type_name("NAME")
        ->check(nonEmpty("needs a name"));
    single(waits->add_option("--history")->description("Judge the last samples of this history instead of running the view"))
        ->type_name("FILE")
        ->check(fileName());
    single(waits->add_option("--for")->description("With --history: a state only when it held in each of the last N samples"))
        ->type_name("N")
        ->check(wholeNumber(1, maxSamplesFor));
    single(waits->add_option("--format")->description("How to write the verdict"))
        ->type_name("text|json")
        ->check(oneOf({"text", "json"}));
    waits->footer(
        "Runs the view once and writes one line: MENTRENQ WAITS STATE - the longest wait, its resource, its\n"
        "holder and the holder's System, then '|' and the performance data (longest_wait, waiters: the sum\n"
        "of WAITTASKCT, resources). A RANGE is written as monitoring checks write it: 300 alerts above 300\n"
        "(or below 0), 10: below 10, ~:10 above 10, 10:20 outside 10..20, @10:20 inside; the bounds never\n"
        "alert themselves, except with @. Without a threshold a level never alerts.\n"
        "--history FILE (a history of record's) judges its last sample, or with --for N its last N: a\n"
        "state is raised only when it held in each of them; fewer samples, or a failed one, is UNKNOWN.\n"
        "Exit status, unlike the other commands (the monitoring-plugins convention): 0 OK, 1 WARNING,\n"
        "2 CRITICAL, 3 UNKNOWN: the view failed, the snapshot is missing or locked, or an option is wrong.\n"
        "e.g. mentrenq waits --warning 60 --critical 300 --waiters-warning 5 --waiters-critical 20");
}

// Seconds as a decimal number, from a tenth of a second to an hour.
CLI::Validator interval() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            std::size_t digits = 0, points = 0;
            for (char c : text) {
                if (c >= '0' && c <= '9') ++digits;
                else if (c == '.') ++points;
                else digits = 0, points = 2;
            }
            const double seconds = digits && points < 2 ? std::strtod(text.c_str(), nullptr) : -1;
            if (seconds >= 0.1 && seconds <= 3600) return "";
            return "must be a number of seconds from 0.1 to 3600, not " + quotedText(text);
        },
        "", "");
}

void addWatch(CLI::App& app) {
    CLI::App* watch = app.add_subcommand("watch", "Who blocks whom, refreshed on the whole terminal");
    addEnterpriseOptions(*watch);
    single(watch->add_option("--every")->description("Seconds between two refreshes (default: 2)"))
        ->type_name("SECONDS")
        ->check(interval());
    single(watch->add_option("--count")->description("End after N refreshes (default: until q or Ctrl-C)"))
        ->type_name("N")
        ->check(wholeNumber(1, INT32_MAX));
    single(watch->add_option("--enqplex")->description("Only this Enqplex"))
        ->type_name("NAME")
        ->check(nonEmpty("needs a name"));
    single(watch->add_option("--history")->description("Also record every refresh in this history, as record does"))
        ->type_name("FILE")
        ->check(fileName());
    watch->footer(
        "Runs the view again every interval and shows the tree, longest wait first: '+' marks the\n"
        "resources and waiters new since the previous refresh, 'cleared:' names those gone, and each\n"
        "waiter shows its WAIT_TIME and how long watch has seen it waiting. The header gives the\n"
        "snapshot's time, the view's status, the refresh time and how long the view took. A snapshot\n"
        "replaced, missing or locked is said on the screen and read again at the next refresh.\n"
        "On a terminal: the full screen, what does not fit shortened to '... N more'; q or Ctrl-C\n"
        "quits; colour unless NO_COLOR is set. Otherwise: one plain frame per refresh, its first\n"
        "line giving the time, until --count, SIGINT or SIGTERM. --history FILE: a history of record's,\n"
        "or a new path; a snapshot whose capture time has not changed is recorded once.\n"
        "e.g. mentrenq watch --enqplex MIMPLEX --every 5");
}

// CLI11 gives an option that takes a value the next argument even when it is
// another option ("--major --report"). Refused here: such a value must be
// written --major=VALUE.
bool valueIsAnOption(const CLI::App& app, int argc, char** argv, std::string& error) {
    std::set<std::string> takesValue;
    for (const CLI::App* command : app.get_subcommands({}))
        for (const CLI::Option* option : command->get_options())
            if (!option->get_positional() && option->get_expected_min() > 0)
                for (const std::string& name : option->get_lnames()) takesValue.insert("--" + name);
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        if (!takesValue.count(arg)) continue;
        const std::string next = argv[i + 1];
        if (next.size() > 1 && next[0] == '-') {
            error = arg + " needs a value, not the option " + shownName(next) + " (write " + arg +
                    "=VALUE for a value that begins with -)";
            return true;
        }
        ++i;
    }
    return false;
}

// The first argument that is not an option: the command's name.
std::string commandWord(int argc, char** argv) {
    for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i)
        if (argv[i][0] != '-') return argv[i];
    return "";
}

// The first argument that is not an option names the command. CLI11 would
// only say that a command is required, or that it did not expect the word.
bool unknownCommand(const CLI::App& app, int argc, char** argv, std::string& error) {
    const char* first = nullptr;
    bool optionsEnded = false; // a command after "--" is not read as one
    for (int i = 1; i < argc && !first && !optionsEnded; ++i) {
        if (std::string(argv[i]) == "--") optionsEnded = true;
        else if (argv[i][0] != '-') first = argv[i];
    }
    if (!first) // --help and --version need none
        for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i)
            if (app.get_option_no_throw(argv[i])) return false;
    std::string names;
    const auto commands = app.get_subcommands({});
    for (size_t i = 0; i < commands.size(); ++i) {
        if (first && commands[i]->get_name() == first) return false;
        names += (i == 0 ? "" : i + 1 == commands.size() ? " and " : ", ") + commands[i]->get_name();
    }
    error = (first ? "unknown command " + quotedText(first) + "; the commands are " : "give a command: ") + names;
    return true;
}

// A value option given more than once: refused rather than letting the last
// one count in silence.
bool givenTwice(const CLI::App& command, std::string& error) {
    for (const CLI::Option* option : command.get_options()) {
        if (option->get_positional() || option->get_expected_min() == 0 || option->count() < 2 ||
            option->get_multi_option_policy() != CLI::MultiOptionPolicy::TakeLast)
            continue;
        error = "--" + option->get_lnames().front() + " is given " + std::to_string(option->count()) +
                " times; it takes one value";
        return true;
    }
    return false;
}

// The options of the command that ran, in command-line order.
Arguments collect(const CLI::App& command) {
    Arguments args;
    std::map<const CLI::Option*, size_t> taken;
    for (const CLI::Option* option : command.parse_order()) {
        const auto& results = option->results();
        size_t& at = taken[option];
        if (option->get_positional()) {
            if (at < results.size()) args.positionals.push_back(results[at++]);
            continue;
        }
        std::string value;
        if (option->get_expected_min() > 0 && at < results.size()) value = results[at++];
        args.options.emplace_back("--" + option->get_lnames().front(), value);
    }
    return args;
}

} // namespace

int readCommandLine(int argc, char** argv, CommandLine& out) {
    CLI::App app("mentrenq: who holds what everyone is waiting for. Runs the MENTRENQ view module on an "
                 "enterprise snapshot as the data server does.",
                 "mentrenq");
    app.set_version_flag("--version", std::string("mentrenq ") + MENTRENQ_VERSION);
    app.set_help_all_flag("--help-all", "Print the help of every command and exit");
    app.require_subcommand(1);
    app.footer(commonFooter);
    addQuery(app);
    addTree(app);
    addSql(app);
    addCheck(app);
    addDemo(app);
    addGenerate(app);
    addHistoryCommands(app);
    addServe(app);
    addWaits(app);
    addWatch(app);
    for (CLI::App* command : app.get_subcommands({}))
        if (command->get_option_no_throw("--trace"))
            command->footer(command->get_footer() + "\n" +
                            (command->get_name() == "waits" ? "" : std::string(viewExitFooter) + "\n") + viewFooter);

    std::string error;
    // A check's usage error is UNKNOWN, said where the monitoring system reads.
    const bool check = commandWord(argc, argv) == "waits";
    auto usageError = [&](const std::string& message, const std::string& help) {
        if (check) {
            std::cout << "MENTRENQ WAITS UNKNOWN - " << printableMessage(message) << '\n';
            return 3;
        }
        std::cerr << "mentrenq: " << printableMessage(message) << "\n(" << help << ")\n";
        return 2;
    };
    if (unknownCommand(app, argc, argv, error)) {
        std::cerr << "mentrenq: " << printableMessage(error) << "\n(mentrenq --help describes them)\n";
        return 2;
    }
    try {
        if (valueIsAnOption(app, argc, argv, error)) throw CLI::ArgumentMismatch(error);
        app.parse(argc, argv);
        if (givenTwice(*app.get_subcommands().front(), error)) throw CLI::ArgumentMismatch(error);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::ParseError& e) {
        std::string help = "mentrenq --help";
        for (const CLI::App* command : app.get_subcommands({}))
            if (argc > 1 && command->get_name() == argv[1]) help = "mentrenq " + command->get_name() + " --help";
        return usageError(e.what(), help + " lists the options");
    }
    const CLI::App* command = app.get_subcommands().front();
    out.command = command->get_name();
    out.args = collect(*command);
    return -1;
}

} // namespace cli
