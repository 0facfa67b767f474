// tree --history FILE --at TIME: who blocked whom in the sample taken at or
// before TIME, built from the rows the sample holds as tree builds it from
// the view's answers.
#include <iostream>
#include <sstream>

#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/contention_tree.h"
#include "cli/enqplex_names.h"
#include "cli/past_query.h"
#include "cli/standard_output.h"
#include "history/picture_sample.h"
#include "sql/utc_time.h"

namespace cli {

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
    const picture::Picture tree = history::pictureOf(sample, args.value("--enqplex"));
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
    // The text says it in its own lines.
    if (format != "text") reportPassedOver(tree.passedOver);
    if (!tree.report.endedNormally()) {
        reportError(sample.reason.empty() ? tree.report.description() : sample.reason);
        return exitcode::viewStatus;
    }
    status = exitcode::ok;
    for (const auto& gap : tree.gaps()) {
        reportError(printableText("the tasks of " + gap.major + " " + gap.minor + " in " + gap.enqplex +
                                  " could not be read: " + gap.reason));
        status = exitcode::viewStatus;
    }
    return status;
}

} // namespace cli
