// The row fetchers of configuration discovery.
#include "config/discovery.h"
#include "frame/fixed_names.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "query/contention_fetch.h"
#include "query/row_fetch.h"

namespace zrx {

int32_t fetchInodeRow(workA* w) {
    ZRX_ROUTINE(t, "fetchInodeRow");
    // Cleared before every fetch: a null or short column must not leave the
    // previous row's node or thru-node behind.
    InodeRow& r = w->inodeRow;
    fillBlanks(r.node);
    fillBlanks(r.thrunode);
    const FetchTarget targets[] = {{r.node, sizeof r.node}, {r.thrunode, sizeof r.thrunode}};
    int32_t status = fetchRowInto(w, t, "fetchInodeRow", "INODESTS", targets, 2);
    if (status != 0) return t.ret(status);
    if (t.detail()) logRow("INODESTS", w);
    return t.ret(0);
}

int32_t fetchPxsmRow(workA* w) {
    ZRX_ROUTINE(t, "fetchPxsmRow");
    PxsmRow& r = w->pxsmRow;
    fillBlanks(r.sysname);
    r.monintvl = 0;
    r.oprintvl = 0;
    fillBlanks(r.status);
    fillBlanks(r.mvsvers);
    fillBlanks(r.originnode);
    fillBlanks(r.enqplex);
    const FetchTarget targets[] = {
        {r.sysname, sizeof r.sysname},       {&r.monintvl, sizeof r.monintvl},
        {&r.oprintvl, sizeof r.oprintvl},    {r.status, sizeof r.status},
        {r.mvsvers, sizeof r.mvsvers},       {r.originnode, sizeof r.originnode},
        {r.enqplex, sizeof r.enqplex},
    };
    int32_t status = fetchRowInto(w, t, "fetchPxsmRow", "MXCFSYS", targets, 7);
    if (status != 0) return t.ret(status);
    if (t.detail()) logRowPxsmRow(w);
    return t.ret(0);
}

void logRowPxsmRow(workA* w) {
    ZRX_ROUTINE_VOID(t, "logRowPxsmRow");
    const PxsmRow& r = w->pxsmRow;
    TRACE_DETAIL(t, "Dumping PxsmRow (MXCFSYS)");
    TRACE_ALWAYS(t, "    sysname    = %s", printable(r.sysname).c_str());
    TRACE_ALWAYS(t, "    monintvl   = %d", r.monintvl);
    TRACE_ALWAYS(t, "    oprintvl   = %d", r.oprintvl);
    TRACE_ALWAYS(t, "    status     = %s", printable(r.status).c_str());
    TRACE_ALWAYS(t, "    mvsvers    = %s", printable(r.mvsvers).c_str());
    TRACE_ALWAYS(t, "    originnode = %s", printable(r.originnode).c_str());
    TRACE_ALWAYS(t, "    enqplex    = %s", printable(r.enqplex).c_str());
}

} // namespace zrx
