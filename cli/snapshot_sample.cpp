#include "cli/snapshot_sample.h"

#include <sys/stat.h>

#include "cli/command_context.h"
#include "cli/enqplex_names.h"
#include "cli/enterprise_source.h"
#include "history/picture_sample.h"
#include "picture/builder.h"
#include "sql/capture.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

// A version of the file: which file stands at the path, its size and when
// it was last written.
std::string versionOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "";
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

// How often a snapshot that changed while it was read is read again.
constexpr int readings = 3;

} // namespace

SampleTaker::SampleTaker(const host::Module& module, uint64_t storageLimit, int jobs)
    : module_(module), storageLimit_(storageLimit), jobs_(jobs) {}

history::Sample SampleTaker::take(const std::string& snapshot) {
    history::Sample sample;
    bool changed = false;
    for (int i = 0; i < readings; ++i) {
        sample = history::Sample{};
        passedOver_ = {};
        if (takeOnce(snapshot, sample, changed) || !changed) break;
    }
    return sample;
}

bool SampleTaker::takeOnce(const std::string& path, history::Sample& sample, bool& changed) {
    changed = false;
    sample.snapshot = path;
    sample.takenMs = host::sql::currentUtcMilliseconds();
    auto fail = [&](const std::string& why) {
        sample.status.reset();
        sample.reason = why;
        sample.report.clear();
        sample.resources.clear();
        return false;
    };
    const std::string before = versionOf(path);
    std::string error;
    bool locked = false;
    auto snapshot = openEnterprise(path, error, locked);
    if (!snapshot) return fail(error);
    std::vector<std::string> problems;
    if (!snapshotProblems(*snapshot, 1, problems, error)) return fail(path + ": " + error);
    if (!problems.empty())
        return fail(path + " holds a value its column cannot deliver: " + problems.front() +
                    " (mentrenq check lists every one)");
    std::optional<int64_t> captured;
    if (!host::sql::readCaptureTime(snapshot->db(), captured, error)) return fail(path + ": " + error);
    if (captured) {
        sample.takenMs = *captured;
        sample.captured = true;
    }
    if (!snapshotEnqplexes(*snapshot, sample.enqplexes, error)) return fail(path + ": " + error);

    picture::PictureOptions options;
    options.jobs = jobs_;
    options.storageLimit = storageLimit_;
    picture::Picture picture = picture::buildPicture(*snapshot, module_, options);
    // Any connection of the picture's that could not be trusted spoils it.
    const std::string spoiled = picture.snapshotProblem;
    passedOver_ = picture.passedOver;
    history::takePicture(sample, std::move(picture));
    if (spoiled == host::sql::Snapshot::lockedMessage) return fail(path + ": " + spoiled);
    if (!spoiled.empty() || versionOf(path) != before) {
        changed = true;
        return fail(path + ": the snapshot was changed by another process while it was read");
    }
    sample.snapshotIdentity = before;
    return true;
}

bool snapshotCaptureTime(const std::string& path, std::optional<int64_t>& taken, std::string& error) {
    bool locked = false;
    auto snapshot = openEnterprise(path, error, locked);
    if (!snapshot) return false;
    std::vector<std::string> problems;
    if (!snapshotProblems(*snapshot, 1, problems, error)) return false;
    if (!problems.empty()) {
        error = path + " holds a value its column cannot deliver: " + problems.front() + " (mentrenq check lists every one)";
        return false;
    }
    if (!host::sql::readCaptureTime(snapshot->db(), taken, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace cli
