#include "serve/history_source.h"

#include "history/history_file.h"

namespace serve {

bool HistorySource::check(std::string& error) const {
    const history::FileLook look = history::lookAtFile(path_);
    if (look.kind == history::FileKind::Missing) {
        error = "--history: there is no file " + path_;
        return false;
    }
    if (look.kind != history::FileKind::History) {
        error = "--history: " + look.why;
        return false;
    }
    auto reader = open(error);
    std::optional<history::SampleInfo> first;
    if (reader && reader->first(first, error)) return true;
    error = "--history: " + error;
    return false;
}

std::unique_ptr<history::Reader> HistorySource::open(std::string& error) const {
    history::OpenProblem problem = history::OpenProblem::None;
    return history::Reader::open(path_, error, problem);
}

} // namespace serve
