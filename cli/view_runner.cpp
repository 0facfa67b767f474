#include "cli/view_runner.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "core/session_run.h"

namespace cli {

ViewRunner::ViewRunner(host::sql::Snapshot& snapshot, const host::Module& module, uint64_t storageLimit)
    : source_(snapshot), host_(&source_), module_(module), storageLimit_(storageLimit) {}

ViewResult ViewRunner::run(const std::vector<host::Predicate>& predicates) {
    ViewResult result;
    const auto began = std::chrono::steady_clock::now();
    host::SessionOptions options;
    options.predicates = predicates;
    options.storageBudget = storageLimit_;
    host::Session session(host_, module_, options);
    host::SessionRun run = host::runSession(session);
    result.status = run.finalStatus();
    result.rows = std::move(run.rows);
    result.storageLimit = storageLimit_;
    result.storageRefusals = run.storageRefusals;
    result.elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    result.abandonReason = run.abandonReason;
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

std::string describeStatus(int32_t status, zrx::Abandon reason) {
    switch (status) {
    case zrx::entry::ok: return "row handed over";
    case zrx::entry::noParmList: return "no parameter list from the data server";
    case zrx::entry::noMoreRows: return "end of data";
    case zrx::entry::requestFailed: return "a data server request failed (storage, path or summary query)";
    case zrx::entry::viewAbandoned: break;
    default: return "unknown status";
    }
    switch (reason) {
    case zrx::Abandon::InvalidIndices: return "view abandoned (invalid index predicates)";
    case zrx::Abandon::ConfigProblem: return "view abandoned (configuration problem)";
    case zrx::Abandon::LoopControl: return "view abandoned (4001 rows or more: loop control)";
    case zrx::Abandon::OutputRowLimit: return "view abandoned (more than 10000 summary and detail rows)";
    case zrx::Abandon::SummaryQueryNotBuilt: return "view abandoned (summary query not built)";
    case zrx::Abandon::SummaryQueryFailed: return "view abandoned (summary query failed)";
    case zrx::Abandon::DetailQueryFailed: return "view abandoned (detail query failed)";
    case zrx::Abandon::NoStorageForRows: return "view abandoned (no storage for rows)";
    case zrx::Abandon::AbandonedEarlier: return "view abandoned earlier in this session";
    case zrx::Abandon::NoWorkArea: return "view abandoned (no work area)";
    case zrx::Abandon::None: break;
    }
    return "view abandoned";
}

std::string describeResult(const ViewResult& result) {
    std::string text = "status " + std::to_string(result.status) + ": " +
                       describeStatus(result.status, result.abandonReason);
    if (result.storageRefusals > 0)
        text += "; the storage limit of " + std::to_string(result.storageLimit) + " bytes refused " +
                std::to_string(result.storageRefusals) + (result.storageRefusals == 1 ? " request" : " requests");
    return text;
}

} // namespace cli
