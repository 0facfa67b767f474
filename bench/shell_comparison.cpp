#include "shell_comparison.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "core/data_source.h"
#include "core/host.h"
#include "core/module.h"
#include "enterprises.h"
#include "picture/builder.h"
#include "platform/trace_control.h"
#include "scenarios/generator.h"
#include "sql/query.h"
#include "sql/translator.h"
#include "sql/snapshot.h"

extern char** environ;

namespace bench {

namespace {

struct Shape {
    const char* name;
    scenarios::GeneratorOptions options;
};

// Two enterprises near the module's limit of 10000 collected rows: many
// Enqplexes of a few Systems each, and one Enqplex with thousands of
// resources. The third has no contention: what is left is starting the
// program, opening the snapshot and finding the nodes.
std::vector<Shape> shapes() {
    scenarios::GeneratorOptions many;
    many.enqplexes = 8;
    many.sysplexes = 2;
    many.systems = 4;
    many.resources = 380;
    many.tasks = 2;
    scenarios::GeneratorOptions large;
    large.enqplexes = 1;
    large.sysplexes = 2;
    large.systems = 8;
    large.resources = 3300;
    large.tasks = 2;
    scenarios::GeneratorOptions quiet;
    quiet.enqplexes = 1;
    quiet.sysplexes = 1;
    quiet.systems = 2;
    quiet.resources = 0;
    return {{"8 Enqplexes x 2 Sysplexes x 4 Systems, 380 resources each", many},
            {"1 Enqplex x 2 Sysplexes x 8 Systems, 3300 resources", large},
            {"no contention: 1 Sysplex of 2 Systems", quiet}};
}

void writeSnapshot(const std::string& path, const scenarios::GeneratorOptions& options) {
    std::string error;
    auto snapshot = host::sql::Snapshot::createInMemory(error);
    if (!snapshot || !snapshot->exec("BEGIN;" + scenarios::generateEnterpriseSql(options) + "COMMIT;", error))
        throw std::runtime_error("generating the enterprise: " + error);
    // VACUUM INTO refuses a file that exists and is not empty.
    host::sql::BoundValue file;
    file.text = path;
    if (!snapshot->exec("VACUUM INTO " + host::sql::sqliteLiteral(file) + ";", error))
        throw std::runtime_error("writing " + path + ": " + error);
}

// What the host received for a report on the snapshot file, and how many
// rows SQLite answered to all of it.
struct Recorded {
    std::vector<std::string> statements;
    size_t sqliteRows = 0;
    size_t outputRows = 0;
};

Recorded recordReport(const std::string& path) {
    std::string error;
    auto snapshot = host::sql::Snapshot::openFile(path, error);
    if (!snapshot) throw std::runtime_error(error);
    host::SnapshotSource source(*snapshot);
    host::Host host(&source);
    auto module = host::Module::load(moduleFile(), error);
    if (!module) throw std::runtime_error("module: " + error);
    Recorded r;
    r.outputRows = runQuery(host, *module, {host::Predicate::report()}).outputRows;
    r.statements = host.statements();
    std::vector<host::sql::Cell> row;
    for (const auto& text : r.statements) {
        auto q = host::sql::Query::prepare(*snapshot, text, error);
        if (!q) throw std::runtime_error("refused: " + error);
        while (q->next(row, error) == host::sql::Query::Step::Row) ++r.sqliteRows;
    }
    return r;
}

void writeNewFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error("cannot write " + path);
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

// The statements as a script for the sqlite3 shell, one per line.
std::string shellScript(const std::string& path, const std::vector<std::string>& statements,
                        host::sql::Query::ShellText form) {
    std::string error;
    auto snapshot = host::sql::Snapshot::openFile(path, error);
    if (!snapshot) throw std::runtime_error(error);
    std::string script;
    for (const auto& text : statements) {
        std::string sqlite;
        if (!host::sql::Query::shellText(*snapshot, text, form, sqlite, error))
            throw std::runtime_error("cannot write out a statement: " + error);
        script += sqlite + ";\n";
    }
    return script;
}

// The command timed: the one built beside the benchmarks, or
// $MENTRENQ_BENCH_COMMAND (another build, to compare two).
std::string program() {
    const char* other = std::getenv("MENTRENQ_BENCH_COMMAND");
    return other && *other ? other : MENTRENQ_PROGRAM;
}

struct Timing {
    double wallMs = 0;
    double cpuMs = 0; // user and system time of the child
};

// Runs the program with standard input from `input` and standard output to
// `output`; standard error goes to `errors`. Throws unless it exits with 0.
Timing runProgram(const std::vector<std::string>& argv, const std::string& input, const std::string& output,
                  const std::string& errors) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_TRUNC, 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    const auto began = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot run " + argv[0] + ": " + std::strerror(rc));
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) throw std::runtime_error("lost " + argv[0]);
    }
    Timing t;
    t.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    t.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::ifstream in(errors);
        std::stringstream message;
        message << in.rdbuf();
        throw std::runtime_error(argv[0] + " failed: " + message.str());
    }
    return t;
}

// The lines of the file that hold `text`.
size_t linesHolding(const std::string& path, const std::string& text) {
    std::ifstream in(path);
    size_t n = 0;
    for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
    return n;
}

size_t lineCount(const std::string& path) {
    std::ifstream in(path);
    return static_cast<size_t>(std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Samples {
    std::vector<double> wallMs, cpuMs;
    void add(const Timing& t) {
        wallMs.push_back(t.wallMs);
        cpuMs.push_back(t.cpuMs);
    }
    double wall() const { return median(wallMs); }
    double cpu() const { return median(cpuMs); }
};

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one.empty() ? "?" : one;
}

} // namespace

void runShellComparison(const ShellComparisonOptions& options) {
    platform::setTraceSettings({});
    platform::setTraceSink(nullptr);
    std::string dir = options.workDir;
    if (dir.empty()) {
        char pattern[] = "/tmp/mentrenq-bench-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a temporary folder");
        dir = pattern;
    } else if (::mkdir(dir.c_str(), 0755) != 0) {
        throw std::runtime_error("cannot make the new folder " + dir + ": " + std::strerror(errno));
    }
    // Only files this run made go, with their folder, also when it fails.
    struct Made {
        std::string dir;
        bool keep;
        std::vector<std::string> files;
        ~Made() {
            if (keep) return;
            for (auto it = files.rbegin(); it != files.rend(); ++it) std::remove(it->c_str());
            ::rmdir(dir.c_str());
        }
    } made{dir, options.keepFiles, {}};
    const auto file = [&](const std::string& name) {
        made.files.push_back(dir + "/" + name);
        return made.files.back();
    };
    const std::string errors = file("stderr.txt");
    const std::string output = file("stdout.txt");
    writeNewFile(errors, "");
    writeNewFile(output, "");

    std::printf("mentrenq query --report --format csv against the sqlite3 shell on the statements the host\n"
                "received, written out with their literals: as written (each OR tested branch by branch, the node\n"
                "restriction in each branch), the same with the node restriction once, and as the host answers\n"
                "them (lists of resources looked up one by one); and mentrenq tree --format json (one job per core:\n"
                "%d here) against the report. %d alternate runs of each, medians of wall-clock and of CPU time\n"
                "(user + system); load average %s at the start.\n",
                picture::availableCores(), options.repetitions, loadAverage().c_str());
    if (options.keepFiles) std::printf("The snapshots and scripts stay in %s.\n", dir.c_str());
    int index = 0;
    for (const Shape& shape : shapes()) {
        ++index;
        const std::string n = std::to_string(index);
        const std::string db = file("enterprise" + n + ".db");
        const std::string written = file("as-written" + n + ".sql");
        const std::string once = file("restricted-once" + n + ".sql");
        const std::string answered = file("as-answered" + n + ".sql");
        writeSnapshot(db, shape.options);
        const Recorded recorded = recordReport(db);
        using Form = host::sql::Query::ShellText;
        writeNewFile(written, shellScript(db, recorded.statements, Form::AsWritten));
        writeNewFile(once, shellScript(db, recorded.statements, Form::AsWrittenRestrictedOnce));
        writeNewFile(answered, shellScript(db, recorded.statements, Form::AsAnswered));

        const std::vector<std::string> report = {program(), "query", "--db", db, "--report", "--format", "csv"};
        const std::vector<std::string> tree = {program(), "tree", "--db", db, "--format", "json"};
        const std::vector<std::string> shell = {SQLITE3_SHELL, "-bail", "-readonly", db};
        // A first run of each checks what it writes: the report's rows and
        // a header line; a resource of the tree for every row of the report;
        // one line for every row SQLite answered.
        runProgram(report, "/dev/null", output, errors);
        if (lineCount(output) != recorded.outputRows + 1)
            throw std::runtime_error("mentrenq wrote " + std::to_string(lineCount(output)) + " lines for " +
                                     std::to_string(recorded.outputRows) + " rows");
        runProgram(tree, "/dev/null", output, errors);
        if (linesHolding(output, "\"majorname\": ") != recorded.outputRows)
            throw std::runtime_error("mentrenq tree wrote " + std::to_string(linesHolding(output, "\"majorname\": ")) +
                                     " resources for " + std::to_string(recorded.outputRows) + " report rows");
        for (const std::string& script : {written, once, answered}) {
            runProgram(shell, script, output, errors);
            if (lineCount(output) != recorded.sqliteRows)
                throw std::runtime_error("sqlite3 wrote " + std::to_string(lineCount(output)) + " lines for " +
                                         std::to_string(recorded.sqliteRows) + " rows");
        }

        Samples query, drawn, asWritten, restrictedOnce, asAnswered;
        for (int i = 0; i < options.repetitions; ++i) {
            query.add(runProgram(report, "/dev/null", "/dev/null", errors));
            drawn.add(runProgram(tree, "/dev/null", "/dev/null", errors));
            asWritten.add(runProgram(shell, written, "/dev/null", errors));
            restrictedOnce.add(runProgram(shell, once, "/dev/null", errors));
            asAnswered.add(runProgram(shell, answered, "/dev/null", errors));
        }
        const auto line = [&](const char* what, const Samples& s, const char* against, const Samples& base) {
            std::printf("  %-28s %8.1f ms (cpu %7.1f)", what, s.wall(), s.cpu());
            if (against) std::printf("   %s %.2f (cpu %.2f)", against, s.wall() / base.wall(), s.cpu() / base.cpu());
            std::printf("\n");
        };
        std::printf("%s: %zu statements, %zu rows from SQLite, %zu output rows\n", shape.name,
                    recorded.statements.size(), recorded.sqliteRows, recorded.outputRows);
        line("mentrenq query --report", query, nullptr, query);
        line("mentrenq tree", drawn, "tree / query", query);
        const auto shellLine = [&](const char* what, const Samples& s) {
            std::printf("  %-28s %8.1f ms (cpu %7.1f)   query / this %.2f (cpu %.2f)\n", what, s.wall(), s.cpu(),
                        query.wall() / s.wall(), query.cpu() / s.cpu());
        };
        shellLine("sqlite3 as written", asWritten);
        shellLine("sqlite3 restricted once", restrictedOnce);
        shellLine("sqlite3 as answered", asAnswered);
        std::fflush(stdout);
    }
    std::printf("load average %s at the end\n", loadAverage().c_str());
}

} // namespace bench
