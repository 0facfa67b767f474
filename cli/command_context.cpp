#include "cli/command_context.h"

#include <chrono>
#include <cstdlib>
#include <iostream>

#include "cli/enterprise_source.h"
#include "cli/message_text.h"
#include "cli/trace_option.h"
#include "cli/view_runner.h"
#include "picture/view_trace.h"
#include "sql/value_check.h"

namespace cli {

void reportError(const std::string& message) { std::cerr << "mentrenq: " << printableMessage(message) << '\n'; }

bool snapshotProblems(host::sql::Snapshot& snapshot, std::size_t perTable, std::vector<std::string>& lines,
                      std::string& error) {
    std::vector<host::sql::ValueProblem> problems;
    if (!host::sql::checkValues(snapshot.db(), perTable, problems, error)) return false;
    for (const auto& p : problems) lines.push_back(p.line());
    return true;
}

bool CommandContext::open(const Arguments& args, Check check) {
    if (args.has("--db") && args.has("--demo")) {
        report_("give --db FILE or --demo, not both");
        return false;
    }
    platform::TraceSettings settings;
    std::string error;
    if (args.has("--trace") && !parseTraceOption(args.value("--trace"), settings, error)) {
        report_("--trace: " + error);
        return false;
    }
    if (args.has("--storage-limit")) {
        long long limit = 0;
        parseNumber(args.value("--storage-limit"), 1, INT64_MAX, limit);
        storageLimit_ = static_cast<uint64_t>(limit);
    }
    const std::string dbFile = args.value("--db");
    const std::string moduleFile = cli::moduleFile(args.value("--module"));
    if (args.has("--trace-file")) {
        const std::string path = args.value("--trace-file");
        ReadFiles reads;
        if (!dbFile.empty()) reads.add(dbFile);
        reads.add(moduleFile);
        if (!traceFileAllowed(path, reads, args.has("--force"), error)) {
            report_(error);
            return false;
        }
        trace_ = std::make_unique<TraceOutput>(path, std::move(reads), args.has("--force"));
    } else {
        trace_ = std::make_unique<TraceOutput>();
    }
    // With --trace the user reads the lines themselves, wherever they go.
    traceAsked_ = args.has("--trace");
    traceFile_ = args.value("--trace-file");
    // Without --trace the view's lines are summed up in one message, unless
    // a file was named to keep them.
    picture::useTraceSettings(settings, !args.has("--trace") && traceFile_.empty());

    bool locked = false;
    snapshot_ = openEnterprise(dbFile, error, locked);
    if (!snapshot_) {
        if (locked) openFailure_ = exitcode::viewStatus;
        report_(error);
        return false;
    }
    dbFile_ = dbFile;
    if (check == Check::First && !checkSnapshot(*snapshot_)) return false;
    module_ = host::Module::load(moduleFile, error);
    if (!module_) {
        // The hint only helps a user who has not named a module yet.
        const char* env = std::getenv("MENTRENQ_MODULE");
        const bool named = !args.value("--module").empty() || (env && *env);
        report_(named ? error : error + " (use --module PATH or MENTRENQ_MODULE)");
        return false;
    }
    return true;
}

bool CommandContext::checkSnapshot(host::sql::Snapshot& connection) {
    if (dbFile_.empty()) return true;
    std::vector<std::string> problems;
    std::string error;
    const auto began = std::chrono::steady_clock::now();
    const bool checked = snapshotProblems(connection, 1, problems, error);
    checkMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    if (!checked) {
        if (connection.readingSpoiled(error)) {
            error = shownName(dbFile_) + ": " + error;
            openFailure_ = exitcode::viewStatus;
        }
        report_(error);
        return false;
    }
    if (!problems.empty()) {
        report_(shownName(dbFile_) + " holds a value its column cannot deliver: " + problems.front() +
                " (mentrenq check lists every one)");
        return false;
    }
    return true;
}

void CommandContext::releaseSnapshot() {
    std::string error;
    if (snapshot_ && snapshot_->readingSpoiled(error)) report_(shownName(dbFile_) + ": " + error);
    snapshot_.reset();
}

void CommandContext::reportTraceLines(const picture::TraceSummary& lines) const {
    if (traceAsked_ || lines.first.empty()) return;
    // One line alone says it all, as the module wrote it.
    if (lines.others == 0 && traceFile_.empty()) {
        std::cerr << printableMessage(lines.first) << '\n';
        return;
    }
    std::string more;
    if (lines.others > 0)
        more = " (and " + std::to_string(lines.others) + (lines.others == 1 ? " more line" : " more lines");
    if (!traceFile_.empty())
        more += (more.empty() ? " (" : ", ") + std::string("all in ") + shownName(traceFile_) + ")";
    else if (!more.empty())
        more += "; --trace-file FILE writes them all)";
    reportError("the view wrote: " + lines.first + more);
}

void reportPassedOver(const picture::PassedOver& passedOver) {
    for (const auto& statement : passedOver.statements()) reportError("warning: not seen: " + statement);
}

int CommandContext::finish(int status) {
    std::string error;
    if (snapshot_ && snapshot_->readingSpoiled(error)) {
        report_(shownName(dbFile_) + ": " + error);
        status = exitcode::viewStatus;
    }
    if (trace_ && !trace_->finish(error)) {
        report_(error);
        return exitcode::viewStatus;
    }
    return status;
}

} // namespace cli
