#include "serve/view_source.h"

#include <chrono>
#include <ctime>
#include <sstream>

#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/contention_tree.h"
#include "cli/enterprise_source.h"
#include "cli/message_text.h"
#include "cli/view_runner.h"
#include "picture/builder.h"
#include "sql/capture.h"

namespace serve {

namespace {

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

ServedTask servedTask(const picture::Task& t) {
    return {t.job, t.sysname, t.asid, t.exclusive, t.trueOwner, t.waittime};
}

} // namespace

bool Reading::complete() const {
    if (!endedNormally()) return false;
    for (const auto& r : resources)
        if (!r.unavailable.empty()) return false;
    return true;
}

std::string isoTime(int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    std::tm utc{};
    char text[32] = "";
    if (gmtime_r(&seconds, &utc)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

struct ViewSource::Opened {
    std::unique_ptr<host::sql::Snapshot> snapshot;
    StampPair stamp;
    int64_t readMs = 0;
    std::optional<int64_t> capturedMs; // the snapshot's CAPTURE time, when it has one
};

ViewSource::ViewSource(std::string dbFile, const host::Module& module, uint64_t storageLimit)
    : dbFile_(std::move(dbFile)), module_(module), storageLimit_(storageLimit) {}

StampPair ViewSource::currentStamp() const { return isDemo() ? StampPair{} : StampPair::of(dbFile_); }

std::unique_ptr<ViewSource::Opened> ViewSource::open(std::string& error, bool& keep) const {
    auto opened = std::make_unique<Opened>();
    opened->stamp = currentStamp();
    opened->readMs = nowMs();
    bool locked = false;
    opened->snapshot = cli::openEnterprise(dbFile_, error, locked);
    keep = !locked;
    if (!opened->snapshot) return nullptr;
    if (isDemo()) return opened;
    std::vector<std::string> problems;
    if (!cli::snapshotProblems(*opened->snapshot, 1, problems, error)) {
        keep = false;
        return nullptr;
    }
    if (!problems.empty()) {
        error = cli::shownName(dbFile_) + " holds a value its column cannot deliver: " + problems.front();
        return nullptr;
    }
    if (!host::sql::readCaptureTime(opened->snapshot->db(), opened->capturedMs, error)) {
        error = cli::shownName(dbFile_) + ": " + error;
        keep = false;
        return nullptr;
    }
    return opened;
}

std::unique_ptr<Reading> ViewSource::read(bool& keep) const {
    auto owned = std::make_unique<Reading>();
    Reading& reading = *owned;
    reading.source = isDemo() ? "the built-in demo" : dbFile_;
    std::string error;
    const auto began = std::chrono::steady_clock::now();
    auto opened = open(error, keep);
    reading.readMs = nowMs();
    if (!opened) {
        reading.stamp = currentStamp();
        reading.statusText = error;
        return owned;
    }
    reading.stamp = opened->stamp;
    reading.readMs = opened->readMs;
    if (!isDemo()) reading.modifiedMs = opened->stamp.database.modifiedNs / 1000000;
    reading.capturedMs = opened->capturedMs;
    if (!readConfiguration(*opened->snapshot, reading.configuration, error)) {
        reading.statusText = "cannot read the configuration: " + error;
        keep = false;
        return owned;
    }
    picture::PictureOptions options;
    options.storageLimit = storageLimit_;
    const picture::Picture tree = picture::buildPicture(*opened->snapshot, module_, options);
    reading.reportRows = tree.reportRows;
    reading.status = tree.report.status;
    reading.abandon = tree.report.abandonReason;
    reading.statusText = tree.report.description();
    reading.notSeen = tree.passedOver.statements();
    for (const auto& e : tree.enqplexes) {
        for (std::size_t place : e.resources) {
            const picture::Resource& r = tree.resources[place];
            ServedResource s;
            s.enqplex = e.name;
            s.major = r.major;
            s.minor = r.minor;
            s.owntaskct = r.owntaskct;
            s.waittaskct = r.waittaskct;
            s.maxwaittm = r.maxwaittm;
            for (const auto& t : r.owners) s.owners.push_back(servedTask(t));
            for (const auto& t : r.waiters) s.waiters.push_back(servedTask(t));
            s.taskRows = s.owners.size() + s.waiters.size();
            s.unavailable = r.unavailable;
            reading.resources.push_back(std::move(s));
        }
    }
    std::ostringstream json;
    cli::writeTreeJson(json, tree);
    reading.treeJson = json.str();
    for (const auto& e : tree.enqplexes) {
        std::ostringstream text;
        cli::writeTreeJson(text, tree, &e.name);
        reading.enqplexTreeJson.emplace_back(e.name, text.str());
    }
    if (!tree.snapshotProblem.empty()) {
        reading.status = 0;
        reading.statusText = cli::shownName(dbFile_) + ": " + tree.snapshotProblem;
        keep = false;
    }
    if (std::string why; opened->snapshot->readingSpoiled(why)) {
        reading.status = 0;
        reading.statusText = cli::shownName(dbFile_) + ": " + why;
        keep = false;
    }
    reading.viewSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return owned;
}

QueryAnswer ViewSource::query(const std::vector<host::Predicate>& predicates) const {
    QueryAnswer answer;
    std::string error;
    const auto began = std::chrono::steady_clock::now();
    auto opened = open(error, answer.keep);
    if (!opened) {
        answer.stamp = currentStamp();
        answer.readMs = nowMs();
        answer.statusText = error;
        return answer;
    }
    answer.stamp = opened->stamp;
    answer.readMs = opened->readMs;
    answer.capturedMs = opened->capturedMs;
    cli::ViewRunner runner(*opened->snapshot, module_, storageLimit_);
    cli::ViewResult result = runner.run(predicates);
    answer.status = result.status;
    answer.abandon = result.abandonReason;
    answer.statusText = cli::describeResult(result);
    answer.notSeen = result.trace.passedOver.statements();
    answer.rows = std::move(result.rows);
    if (std::string why; opened->snapshot->readingSpoiled(why)) {
        answer.status = 0;
        answer.statusText = cli::shownName(dbFile_) + ": " + why;
        answer.rows.clear();
        answer.keep = false;
    }
    answer.viewSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return answer;
}

} // namespace serve
