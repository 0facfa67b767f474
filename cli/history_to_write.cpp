#include "cli/history_to_write.h"

#include "cli/command_context.h"
#include "cli/output_file.h"
#include "history/history_file.h"

namespace cli {

std::unique_ptr<history::Writer> openHistoryToWrite(const std::string& path, int& status) {
    std::string error;
    status = exitcode::usage;
    const history::FileLook look = history::lookAtFile(path);
    if (look.kind == history::FileKind::Missing) {
        const bool created = writeOutputFile(
            path, false, [](const std::string& temporary, std::string& why) {
                return history::Writer::initialise(temporary, why);
            },
            error);
        if (!created) {
            reportError(error);
            return nullptr;
        }
    } else if (look.kind != history::FileKind::History) {
        reportError(look.why);
        return nullptr;
    }
    history::OpenProblem problem = history::OpenProblem::None;
    auto writer = history::Writer::open(path, error, problem);
    if (!writer) {
        reportError(error);
        if (problem != history::OpenProblem::Refused) status = exitcode::viewStatus;
    }
    return writer;
}

} // namespace cli
