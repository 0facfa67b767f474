// The request entry: collects everything on a session's first call, then
// hands the host one MENTRENQ row per call until the rows run out.
#include "aggregate/output_row.h"
#include "driver/collection.h"
#include "frame/entries.h"
#include "frame/fixed_names.h"
#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "frame/work_area_lookup.h"
#include "zrx/status.h"

namespace zrx {

namespace {

constexpr int32_t rowHandedOver = entry::ok;
using entry::noMoreRows, entry::viewAbandoned;
constexpr int32_t loopControlLimit = 4000;

// firstCall after a collection that ended with a failure: later calls of the
// session must not emit rows of a half-built picture.
constexpr int16_t collectionAbandoned = -1;

int32_t emitRow(workA* w, Trace& t) {
    const bool summary = w->idxTbl.idxReport == 'Y';
    const int32_t taken = w->loopCtl;
    w->loopCtl = taken + 1;
    if (taken > loopControlLimit) {
        if (summary)
            TRACE_ALWAYS(t, abandonline::loopControlSummary);
        else
            TRACE_ALWAYS(t, abandonline::loopControlDetail);
        return viewAbandoned;
    }

    SORstep(w);
    if (w->NAEnqpI >= maxENQP || w->NAEnqpI < 0) {
        if (summary)
            TRACE_DETAIL(t, "Ran Out of Data (Report==Y): %d Rows Were Returned (NAEnqpI >= maxENQP)",
                         w->rowsReturned);
        else
            TRACE_DETAIL(t, "Ran Out of Data (Report!=Y): %d Rows Were Returned (NAEnqpI >= maxENQP)",
                         w->rowsReturned);
        return noMoreRows;
    }
    if (blankFirst(w->Enqplxs[w->NAEnqpI].EnqpName)) {
        if (summary)
            TRACE_DETAIL(t, "Ran Out of Data (Report==Y): %d Rows Were Returned (Hit an Unused Slot)",
                         w->rowsReturned);
        else
            TRACE_DETAIL(t, "Ran Out of Data (Report!=Y): %d Rows Were Returned (Hit an Unused Slot)",
                         w->rowsReturned);
        return noMoreRows;
    }
    // A position without a row is the end of the data, never a row to read.
    if (!w->NASOR || (!summary && !w->NADOR)) {
        TRACE_DETAIL(t, "Ran Out of Data (Report%s): %d Rows Were Returned (No Row at the Position)",
                     summary ? "==Y" : "!=Y", w->rowsReturned);
        return noMoreRows;
    }

    setupMentrenq(w);
    PutRequestItem(w->reqBlk, item::OutputRow, &w->outputRow);
    if (summary)
        TRACE_DETAIL(t, "emitting following MENTRENQ row ... ");
    else
        TRACE_DETAIL(t, "emitting following MENTRENQ row ...");
    if (t.detail()) logRowMENTRENQ(w);

    if (summary) {
        w->NASOR = w->NASOR->SORNxt;
    } else {
        w->NADOR = w->NADOR->DORNxt;
        if (!w->NADOR) {
            w->NASOR = w->NASOR->SORNxt;
            SORstep(w);
        }
    }
    return rowHandedOver;
}

} // namespace

int32_t enqmlcpr(uint32_t id, HostObject* obj) {
    ZRX_ENTRY(t, "enqmlcpr");
    const HostHandle reqBlk{id, obj};
    ParmList* parm = nullptr;
    workA* w = nullptr;
    if (int32_t status = locateWorkArea(t, reqBlk, viewAbandoned, parm, w)) return t.ret(status);
    w->reqBlk = reqBlk;
    w->parmList = parm;

    if (w->firstCall == collectionAbandoned) {
        TRACE_ALWAYS(t, abandonline::abandonedEarlier);
        return t.ret(viewAbandoned);
    }
    if (w->firstCall != 0) {
        w->firstCall = 0;
        if (int32_t status = collect(w, t)) {
            w->firstCall = collectionAbandoned;
            return t.ret(status);
        }
    }
    TRACE_DETAIL(t, "Normal (i.e. not 1st row) processing ...");
    TRACE_DETAIL(t, "idxReport is -%c-", w->idxTbl.idxReport);
    return t.ret(emitRow(w, t));
}

} // namespace zrx
