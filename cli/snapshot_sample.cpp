#include "cli/snapshot_sample.h"

#include <sys/stat.h>

#include <chrono>

#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/enqplex_names.h"
#include "cli/enterprise_source.h"
#include "cli/view_runner.h"
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

bool holdsNul(const std::string& name) { return name.find('\0') != std::string::npos; }

// How often a snapshot that changed while it was read is read again.
constexpr int readings = 3;

} // namespace

SampleTaker::SampleTaker(const host::Module& module, uint64_t storageLimit)
    : module_(module), storageLimit_(storageLimit) {}

history::Sample SampleTaker::take(const std::string& snapshot) {
    history::Sample sample;
    bool changed = false;
    for (int i = 0; i < readings; ++i) {
        sample = history::Sample{};
        if (takeOnce(snapshot, sample, changed) || !changed) break;
    }
    return sample;
}

bool SampleTaker::takeOnce(const std::string& path, history::Sample& sample, bool& changed) {
    changed = false;
    sample.snapshot = path;
    sample.takenMs = host::sql::currentUtcMilliseconds();
    const auto began = std::chrono::steady_clock::now();
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

    ViewRunner runner(*snapshot, module_, storageLimit_);
    ViewResult report = runner.run({host::Predicate::report()});
    sample.status = report.status;
    sample.abandon = report.abandonReason;
    if (report.status != zrx::entry::noMoreRows) sample.reason = describeResult(report);
    sample.report = std::move(report.rows);
    if (sample.reportComplete()) {
        for (const auto& row : sample.report) {
            history::SampleResource r;
            const std::string major = trimmedField(row.majorname), minor = trimmedField(row.minorname);
            if (holdsNul(major) || holdsNul(minor)) {
                r.detailStatus = 0;
                r.unavailable = std::string("its ") + (holdsNul(major) ? "major" : "minor") +
                                " name holds a NUL byte, which a query for one resource cannot carry";
            } else {
                ViewResult detail = runner.run(host::Predicate::resource(major, minor, trimmedField(row.enqplex)));
                r.detailStatus = detail.status;
                r.abandon = detail.abandonReason;
                if (detail.status != zrx::entry::noMoreRows) r.unavailable = describeResult(detail);
                r.rows = std::move(detail.rows);
            }
            sample.resources.push_back(std::move(r));
        }
    }
    sample.viewMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    std::string spoiled;
    if (snapshot->readingSpoiled(spoiled) && spoiled == host::sql::Snapshot::lockedMessage)
        return fail(path + ": " + spoiled);
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
