#include "cli/watch_source.h"

#include <sys/stat.h>

#include <algorithm>

#include "cli/enqplex_names.h"
#include "cli/message_text.h"
#include "history/picture_sample.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

// When the file was last written, for a snapshot that does not say when it
// was taken.
std::string writtenAt(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "";
    return "written " + utcText(static_cast<int64_t>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
}

} // namespace

WatchSource::WatchSource(std::string dbFile, const host::Module& module, uint64_t storageLimit, std::string enqplex)
    : dbFile_(std::move(dbFile)), enqplex_(std::move(enqplex)), taker_(module, storageLimit) {}

void WatchSource::recordInto(std::unique_ptr<history::Writer> writer, std::string path) {
    writer_ = std::move(writer);
    historyPath_ = std::move(path);
}

void WatchSource::record(const history::Sample& sample, RefreshResult& result) {
    if (!writer_) return;
    history::AppendResult appended;
    std::string error;
    if (!writer_->append(sample, std::nullopt, appended, error)) {
        result.historyFailed = true;
        result.history = "cannot write the history " + shownName(historyPath_) + ": " + error;
        return;
    }
    // A snapshot that has not changed since keeps its capture time: the
    // history already holds its sample.
    if (appended.outcome == history::AppendOutcome::Recorded) ++recorded_;
    result.history = "history " + shownName(historyPath_) + ": " + std::to_string(recorded_) +
                     (recorded_ == 1 ? " sample" : " samples") + " recorded";
}

RefreshResult WatchSource::refresh() {
    RefreshResult result;
    const history::Sample sample = taker_.take(dbFile_);
    record(sample, result);
    result.viewMs = sample.viewMs;
    if (sample.captured) result.captured = "taken " + host::sql::formatUtcTime(sample.takenMs);
    else if (!dbFile_.empty()) result.captured = writtenAt(dbFile_);
    if (!sample.status) {
        result.problem = sample.reason;
        return result;
    }
    const std::string wanted = enqplexOfPredicate(enqplex_);
    if (!enqplex_.empty() && std::find(sample.enqplexes.begin(), sample.enqplexes.end(), wanted) == sample.enqplexes.end()) {
        result.problem = "the snapshot has no Enqplex " + shownName(wanted);
        return result;
    }
    picture_ = history::pictureOf(sample, enqplex_);
    picture_.passedOver = taker_.passedOver();
    result.picture = &picture_;
    return result;
}

} // namespace cli
