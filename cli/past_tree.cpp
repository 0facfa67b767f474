// tree --history FILE --at TIME: who blocked whom in the sample taken at or
// before TIME, built from the rows the sample holds as tree builds it from
// the view's answers.
#include <algorithm>
#include <cstring>
#include <iostream>
#include <sstream>

#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/contention_tree.h"
#include "cli/enqplex_names.h"
#include "cli/past_query.h"
#include "cli/standard_output.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

bool sameResource(const zrx::MentrenqRow& a, const zrx::MentrenqRow& b) {
    return std::memcmp(a.majorname, b.majorname, sizeof a.majorname) == 0 &&
           std::memcmp(a.minorname, b.minorname, sizeof a.minorname) == 0;
}

TreeResource resourceOf(const zrx::MentrenqRow& summary, const history::SampleResource* stored) {
    TreeResource r;
    r.major = trimmedField(summary.majorname);
    r.minor = trimmedField(summary.minorname);
    r.owntaskct = summary.owntaskct;
    r.waittaskct = summary.waittaskct;
    r.maxwaittm = summary.maxwaittm;
    if (!stored) {
        r.detailStatus = 0;
        r.unavailable = "the sample holds no rows of its tasks";
        return r;
    }
    r.detailStatus = stored->detailStatus;
    r.unavailable = stored->unavailable;
    for (const auto& row : stored->rows) {
        if (!sameResource(row, summary)) continue;
        TreeTask task;
        const std::string owner = trimmedField(row.owningas);
        task.job = owner.empty() ? trimmedField(row.waitingas) : owner;
        task.sysname = trimmedField(row.sysname);
        task.plxname = trimmedField(row.plxname);
        task.asid = row.asid;
        task.exclusive = row.type == 0;
        task.trueOwner = row.trueowner == 0x80;
        task.waittime = row.waittime;
        (owner.empty() ? r.waiters : r.owners).push_back(task);
    }
    std::stable_sort(r.waiters.begin(), r.waiters.end(),
                     [](const TreeTask& a, const TreeTask& b) { return a.waittime > b.waittime; });
    if (r.unavailable.empty() && r.owners.empty() && r.waiters.empty() && r.owntaskct + r.waittaskct > 0)
        r.unavailable = "the query for this resource found none of its tasks";
    return r;
}

ContentionTree treeOf(const history::Sample& sample, const std::string& enqplex) {
    ContentionTree tree;
    tree.report.status = *sample.status;
    tree.report.abandonReason = sample.abandon;
    tree.report.elapsedMs = sample.viewMs;
    const std::string wanted = enqplexOfPredicate(enqplex);
    std::vector<std::pair<std::string, std::vector<TreeResource>>> byEnqplex;
    for (size_t i = 0; i < sample.report.size(); ++i) {
        const auto& row = sample.report[i];
        const std::string name = trimmedField(row.enqplex);
        if (!wanted.empty() && name != wanted) continue;
        if (byEnqplex.empty() || byEnqplex.back().first != name) byEnqplex.push_back({name, {}});
        byEnqplex.back().second.push_back(resourceOf(row, i < sample.resources.size() ? &sample.resources[i] : nullptr));
    }
    for (auto& [name, resources] : byEnqplex) {
        std::stable_sort(resources.begin(), resources.end(),
                         [](const TreeResource& a, const TreeResource& b) { return a.maxwaittm > b.maxwaittm; });
        tree.enqplexes.push_back({name, std::move(resources)});
    }
    return tree;
}

} // namespace

int pastTreeCommand(const Arguments& args) {
    std::unique_ptr<history::Reader> reader;
    QueryPast past;
    history::Sample sample;
    int status = exitcode::ok;
    if (!pastSample(args, reader, past.sample, sample, status)) return status;
    const std::string format = args.value("--format", "text");
    if (!sample.status) {
        reportError("the history cannot answer that query: the view did not run for the sample of " +
                                  host::sql::formatUtcTime(sample.takenMs) + ": " + sample.reason);
        return exitcode::usage;
    }
    std::string error;
    if (args.has("--enqplex") && !enqplexAmong(sample.enqplexes, args.value("--enqplex"), error)) {
        reportError(error);
        return exitcode::usage;
    }
    const ContentionTree tree = treeOf(sample, args.value("--enqplex"));
    if (format == "json") {
        std::ostringstream enqplexes;
        writeTreeJson(enqplexes, tree);
        std::string text = enqplexes.str();
        while (!text.empty() && text.back() == '\n') text.pop_back();
        std::string head = dumpJson(pastJson(past, nullptr, "enqplexes"));
        head.erase(head.rfind("null"));
        std::cout << head << text << "\n}\n";
    } else {
        if (format == "dot") writeTreeDot(std::cout, tree);
        else writeTreeText(std::cout, tree);
    }
    flushStandardOutput();
    if (format != "json") std::cerr << pastLine(past) << '\n';
    if (tree.report.status != zrx::entry::noMoreRows) {
        reportError(sample.reason.empty() ? describeResult(tree.report) : sample.reason);
        return exitcode::viewStatus;
    }
    if (!tree.complete()) {
        for (const auto& e : tree.enqplexes)
            for (const auto& r : e.resources)
                if (!r.unavailable.empty())
                    reportError("the tasks of " + r.major + " " + r.minor + " in " + e.name +
                                              " could not be read: " + r.unavailable);
        return exitcode::viewStatus;
    }
    return exitcode::ok;
}

} // namespace cli
