#include "cli/past_samples.h"

#include "cli/columns.h"
#include "cli/command_context.h"
#include "sql/utc_time.h"

namespace cli {

std::unique_ptr<history::Reader> openHistoryToRead(const std::string& path, int& status) {
    std::string error;
    history::OpenProblem problem = history::OpenProblem::None;
    auto reader = history::Reader::open(path, error, problem);
    if (reader) return reader;
    reportError(error);
    status = problem == history::OpenProblem::Refused ? exitcode::usage : exitcode::viewStatus;
    return nullptr;
}

bool sampleAt(history::Reader& reader, const std::string& path, const std::string& time, history::SampleInfo& out,
              int& status) {
    std::string error;
    std::optional<history::SampleInfo> last, found;
    if (!reader.last(last, error)) {
        reportError(path + ": " + error);
        status = exitcode::viewStatus;
        return false;
    }
    int64_t at = 0;
    if (!history::resolveTime(time, last ? std::optional<int64_t>(last->takenMs) : std::nullopt, at, error)) {
        reportError(error);
        status = exitcode::usage;
        return false;
    }
    if (!reader.at(at, found, error)) {
        reportError(path + ": " + error);
        status = exitcode::viewStatus;
        return false;
    }
    if (!found) {
        std::optional<history::SampleInfo> first;
        reader.first(first, error);
        reportError(path + " holds no sample taken at or before " + host::sql::formatUtcTime(at) +
                                  (first ? " (its first is of " + host::sql::formatUtcTime(first->takenMs) + ")"
                                         : " (it holds none yet)"));
        status = exitcode::usage;
        return false;
    }
    out = *found;
    return true;
}

} // namespace cli
