#include "cli/view_runner.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "picture/view_request.h"

namespace cli {

ViewRunner::ViewRunner(host::sql::Snapshot& snapshot, const host::Module& module, uint64_t storageLimit)
    : snapshot_(snapshot), source_(snapshot, &cache_), host_(&source_), module_(module), storageLimit_(storageLimit) {
    host_.keepStatements(false);
}

ViewResult ViewRunner::run(const std::vector<host::Predicate>& predicates) {
    picture::ViewRun run = picture::runView(host_, module_, predicates, storageLimit_);
    ViewResult result;
    result.status = run.outcome.status;
    result.rows = std::move(run.rows);
    result.elapsedMs = run.outcome.elapsedMs;
    result.abandonReason = run.outcome.abandonReason;
    result.storageLimit = run.outcome.storageLimit;
    result.storageRefusals = run.outcome.storageRefusals;
    result.trace = std::move(run.trace);
    picture::PassedOver& seen = result.trace.passedOver;
    if (run.outcome.endedNormally() && seen.systemRowsRead >= 0) {
        if (configured_ == -2) configured_ = picture::configuredSystemRows(snapshot_.db());
        seen.systemRowsConfigured = configured_;
    } else {
        seen.systemRowsRead = -1;
    }
    // Each request reads the same configuration: the largest counts hold
    // what any of them missed.
    passedOver_.plexHubNodes = std::max(passedOver_.plexHubNodes, seen.plexHubNodes);
    passedOver_.agentNodes = std::max(passedOver_.agentNodes, seen.agentNodes);
    passedOver_.unnamedSystemRows = std::max(passedOver_.unnamedSystemRows, seen.unnamedSystemRows);
    passedOver_.systemsWithoutPlexHub = std::max(passedOver_.systemsWithoutPlexHub, seen.systemsWithoutPlexHub);
    passedOver_.systemsNotAsked = std::max(passedOver_.systemsNotAsked, seen.systemsNotAsked);
    if (seen.systemRowsRead >= 0) {
        passedOver_.systemRowsRead = seen.systemRowsRead;
        passedOver_.systemRowsConfigured = seen.systemRowsConfigured;
    }
    if (firstLines_.first.empty()) firstLines_ = result.trace.summary;
    return result;
}

std::string moduleFile(const std::string& requested) {
    if (!requested.empty()) return requested;
    if (const char* env = std::getenv("MENTRENQ_MODULE"); env && *env) return env;
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "ZRX.so";
    std::string path(self, static_cast<size_t>(n));
    path = path.substr(0, path.find_last_of('/'));
    return path + "/../lib/ZRX.so";
}

std::string describeStatus(int32_t status, zrx::Abandon reason) { return picture::describeStatus(status, reason); }

std::string describeResult(const ViewResult& result) {
    picture::ViewOutcome outcome;
    outcome.status = result.status;
    outcome.abandonReason = result.abandonReason;
    outcome.storageLimit = result.storageLimit;
    outcome.storageRefusals = result.storageRefusals;
    return outcome.description();
}

} // namespace cli
