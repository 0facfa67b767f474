#include "aggregate/input_merge.h"

#include "aggregate/summary_rows.h"
#include "config/enqplex_table.h"
#include "frame/fixed_names.h"
#include "frame/trace.h"
#include "frame/work_area.h"

namespace zrx {

namespace {

bool sameResource(const SORow& r, const InputRow& in) {
    return sameName(r.majorname, in.majorname) && sameName(r.minorname, in.minorname);
}

// A task already recorded for the resource: the same job names, System,
// PlexHub and address space.
bool sameTask(const DORow& d, const InputRow& in) {
    return sameName(d.owningas, in.owningas) && sameName(d.waitingas, in.waitingas) &&
           sameName(d.sysname, in.sysname) && sameName(d.plxname, in.plxname) && d.asid == in.asid;
}

} // namespace

int32_t ProcessInput(workA* w) {
    ZRX_ROUTINE(t, "ProcessInput");
    if (w->curEnqpI < 0 || w->curEnqpI >= maxENQP) return t.ret(1);
    EnqplxEntry& e = w->Enqplxs[w->curEnqpI];
    const InputRow& in = w->inputRow;

    SORow* sor = nullptr;
    if (!e.SOR1st) {
        TRACE_DETAIL(t, "No 1st SORow, need to get one");
        e.SOR1st = newSORow(w);
        if (!e.SOR1st) {
            TRACE_ALWAYS(t, "Unable to create new Summary Output Row");
            return t.ret(1);
        }
        sor = e.SOR1st;
    } else {
        SORow* r = e.SOR1st;
        for (;;) {
            if (sameResource(*r, in)) {
                TRACE_DETAIL(t, "qname/rname match found");
                sor = r;
                break;
            }
            if (!r->SORNxt) break;
            r = r->SORNxt;
        }
        if (!sor) {
            TRACE_DETAIL(t, "no qname/rname match found");
            r->SORNxt = newSORow(w);
            if (!r->SORNxt) {
                TRACE_ALWAYS(t, "Unable to create new Summary Output Row");
                return t.ret(1);
            }
            sor = r->SORNxt;
        }
    }

    TRACE_DETAIL(t, "Halfway through ProcessInput Enqplxs[%d] is:", w->curEnqpI);
    if (t.detail()) logEnqplxs(w, w->curEnqpI);

    if (!sor->DOR1st) {
        TRACE_DETAIL(t, "no 1st DOR for the SOR");
        sor->DOR1st = newDORow(w);
        if (!sor->DOR1st) {
            TRACE_ALWAYS(t, "Unable to create new Detail Output Row");
            return t.ret(1);
        }
        TRACE_DETAIL(t, "Just prior to updating the SOR, Enqplxs[%d] is:", w->curEnqpI);
        if (t.detail()) logEnqplxs(w, w->curEnqpI);
        updateSORow(sor, w);
        return t.ret(0);
    }

    DORow* d = sor->DOR1st;
    for (;;) {
        if (sameTask(*d, in)) {
            TRACE_DETAIL(t, "Current info is redundant");
            return t.ret(0);
        }
        if (!d->DORNxt) break;
        d = d->DORNxt;
    }
    TRACE_DETAIL(t, "No more DORs; need to get a new one");
    d->DORNxt = newDORow(w);
    if (!d->DORNxt) {
        TRACE_ALWAYS(t, "Unable to create new Detail Output Row");
        return t.ret(1);
    }
    updateSORow(sor, w);
    TRACE_DETAIL(t, "SORow updated ...");
    if (t.detail()) {
        logSOR(sor, w);
        logDOR(d->DORNxt, w);
    }
    return t.ret(0);
}

} // namespace zrx
