#include "cli/watch_source.h"

#include <sys/stat.h>

#include <chrono>

#include "cli/command_context.h"
#include "cli/enqplex_names.h"
#include "cli/enterprise_source.h"
#include "cli/message_text.h"

namespace cli {

namespace {

// When the file was last written, as the capture time of a snapshot that
// does not say when it was taken.
std::string writtenAt(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "";
    return "written " + utcText(static_cast<int64_t>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
}

} // namespace

WatchSource::WatchSource(std::string dbFile, const host::Module& module, picture::PictureOptions options)
    : dbFile_(std::move(dbFile)), module_(module), options_(std::move(options)) {}

RefreshResult WatchSource::refresh() {
    RefreshResult result;
    const auto began = std::chrono::steady_clock::now();
    auto finish = [&](const std::string& problem) {
        result.problem = problem;
        result.viewMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
        return result;
    };
    std::string error;
    bool locked = false;
    auto snapshot = openEnterprise(dbFile_, error, locked);
    if (!snapshot) return finish(error);
    const std::string shown = shownName(dbFile_);
    if (!dbFile_.empty()) {
        std::vector<std::string> problems;
        if (!snapshotProblems(*snapshot, 1, problems, error)) return finish(shown + ": " + error);
        if (!problems.empty()) return finish(shown + " holds a value its column cannot deliver: " + problems.front());
        result.captured = writtenAt(dbFile_);
    }
    if (!options_.enqplex.empty() && !enqplexKnown(*snapshot, options_.enqplex, error)) return finish(error);
    picture_ = picture::buildPicture(*snapshot, module_, options_);
    if (!picture_.snapshotProblem.empty()) return finish(shown + ": " + picture_.snapshotProblem);
    if (snapshot->readingSpoiled(error)) return finish(shown + ": " + error);
    result.picture = &picture_;
    return finish("");
}

} // namespace cli
