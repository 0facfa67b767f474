#include "core/session_run.h"

namespace host {

SessionRun runSession(Session& session, const RunLimits& limits, const RunHooks& hooks) {
    SessionRun run;
    run.start = session.start();
    if (hooks.afterStart) hooks.afterStart(session, run.start);
    if (run.start == zrx::entry::ok) {
        int extra = limits.extraCalls;
        for (int i = 0; i < limits.maxCalls; ++i) {
            const int32_t status = session.request();
            run.requests.push_back(status);
            if (hooks.afterRequest && !hooks.afterRequest(session, status)) break;
            if (status != zrx::entry::ok && extra-- <= 0) break;
        }
    }
    run.rows = session.takeRows();
    run.liveBeforeEnd = session.live();
    run.storageRefusals = session.storageRefusals();
    if (hooks.beforeEnd) hooks.beforeEnd(session);
    run.end = session.end();
    run.liveAtEnd = session.liveAtEnd();
    run.storageAfterRelease = session.storageOutstanding();
    run.abandonReason = session.abandonReason();
    return run;
}

} // namespace host
