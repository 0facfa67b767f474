#include "picture/view_request.h"

#include <chrono>

#include "core/session_run.h"

namespace picture {

ViewRun runView(host::Host& host, const host::Module& module, const std::vector<host::Predicate>& predicates,
                uint64_t storageLimit, bool countSystemRows) {
    ViewRun result;
    const auto began = std::chrono::steady_clock::now();
    host::SessionOptions options;
    options.predicates = predicates;
    options.storageBudget = storageLimit;
    host::SessionRun run;
    {
        TraceReader reader(countSystemRows);
        {
            host::Session session(host, module, options);
            run = host::runSession(session);
        }
        result.trace = reader.take();
    }
    // A System is asked only about the resources its PlexHubs reported:
    // where they reported none, skipping it missed nothing.
    if (run.rows.empty()) result.trace.passedOver.systemsNotAsked = 0;
    result.outcome.status = run.finalStatus();
    result.outcome.abandonReason = run.abandonReason;
    result.outcome.storageLimit = storageLimit;
    result.outcome.storageRefusals = run.storageRefusals;
    result.rows = std::move(run.rows);
    result.outcome.elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    return result;
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

std::string ViewOutcome::description() const {
    std::string text = "status " + std::to_string(status) + ": " + describeStatus(status, abandonReason);
    if (storageRefusals > 0)
        text += "; the storage limit of " + std::to_string(storageLimit) + " bytes refused " +
                std::to_string(storageRefusals) + (storageRefusals == 1 ? " request" : " requests");
    return text;
}

} // namespace picture
