#include "aggregate/input_merge.h"

#include "aggregate/summary_rows.h"
#include "config/enqplex_table.h"
#include "frame/fixed_names.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "storage/row_index.h"

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

// The summary row of the input row's resource in the current Enqplex,
// created and appended when there is none; null when it cannot be created.
// `entry` receives the row's entry while the index `ix` is used (a creation
// may give the index up: `ix` then becomes null); `walked` the length of the
// list walked without it.
SORow* summaryRowFor(workA* w, Trace& t, RowIndex*& ix, IndexEntry*& entry, int& walked) {
    EnqplxEntry& e = w->Enqplxs[w->curEnqpI];
    const InputRow& in = w->inputRow;
    SORow* sor = nullptr;
    if (!e.SOR1st) {
        TRACE_DETAIL(t, "No 1st SORow, need to get one");
        e.SOR1st = newSORow(w);
        if (!e.SOR1st) {
            TRACE_ALWAYS(t, "Unable to create new Summary Output Row");
            return nullptr;
        }
        sor = e.SOR1st;
        if (ix) ix = rowIndex(w);
        if (ix && !(entry = addSummary(ix, w->curEnqpI, sor, resourceHash(w->curEnqpI, in)))) ix = nullptr;
    } else {
        SORow* r = nullptr;
        const uint32_t hash = ix ? resourceHash(w->curEnqpI, in) : 0;
        if (ix) {
            entry = findSummary(ix, w->curEnqpI, in, hash, r);
            if (entry) sor = static_cast<SORow*>(entry->row);
        } else {
            r = e.SOR1st;
            for (;;) {
                ++walked;
                if (sameResource(*r, in)) {
                    sor = r;
                    break;
                }
                if (!r->SORNxt) break;
                r = r->SORNxt;
            }
        }
        if (sor) {
            TRACE_DETAIL(t, "qname/rname match found");
        } else {
            TRACE_DETAIL(t, "no qname/rname match found");
            r->SORNxt = newSORow(w);
            if (!r->SORNxt) {
                TRACE_ALWAYS(t, "Unable to create new Summary Output Row");
                return nullptr;
            }
            sor = r->SORNxt;
            if (ix) ix = rowIndex(w);
            if (ix && !(entry = addSummary(ix, w->curEnqpI, sor, hash))) ix = nullptr;
        }
    }
    return sor;
}

} // namespace

// Rows are found through the session's row index once the lists have grown
// long (storage/row_index.h); the lists, their order and the trace are the
// same either way. Creating a row may give the index up (its block then
// holds rows), so the index is looked up again after every creation.
int32_t ProcessInput(workA* w) {
    ZRX_ROUTINE(t, "ProcessInput");
    if (w->curEnqpI < 0 || w->curEnqpI >= maxENQP) return t.ret(1);
    const InputRow& in = w->inputRow;
    RowIndex* ix = rowIndex(w);
    int walked = 0; // the longest list walked in this call
    auto merged = [&]() {
        if (!ix && walked > indexWalkLimit) buildRowIndex(w);
        return t.ret(0);
    };

    IndexEntry* entry = nullptr; // sor's entry while the index is used
    SORow* sor = summaryRowFor(w, t, ix, entry, walked);
    if (!sor) return t.ret(1);

    TRACE_DETAIL(t, "Halfway through ProcessInput Enqplxs[%d] is:", w->curEnqpI);
    if (t.detail()) logEnqplxs(w, w->curEnqpI);

    if (!sor->DOR1st) {
        TRACE_DETAIL(t, "no 1st DOR for the SOR");
        sor->DOR1st = newDORow(w);
        if (!sor->DOR1st) {
            TRACE_ALWAYS(t, "Unable to create new Detail Output Row");
            return t.ret(1);
        }
        if (ix) ix = rowIndex(w);
        if (ix) addDetail(ix, entry, sor->DOR1st);
        TRACE_DETAIL(t, "Just prior to updating the SOR, Enqplxs[%d] is:", w->curEnqpI);
        if (t.detail()) logEnqplxs(w, w->curEnqpI);
        updateSORow(sor, w);
        return merged();
    }

    DORow* d = nullptr;
    if (ix) {
        if (findDetail(ix, entry, in, d)) {
            TRACE_DETAIL(t, "Current info is redundant");
            return merged();
        }
    } else {
        d = sor->DOR1st;
        int length = 0;
        for (;;) {
            ++length;
            if (sameTask(*d, in)) {
                TRACE_DETAIL(t, "Current info is redundant");
                walked = length > walked ? length : walked;
                return merged();
            }
            if (!d->DORNxt) break;
            d = d->DORNxt;
        }
        walked = length > walked ? length : walked;
    }
    TRACE_DETAIL(t, "No more DORs; need to get a new one");
    d->DORNxt = newDORow(w);
    if (!d->DORNxt) {
        TRACE_ALWAYS(t, "Unable to create new Detail Output Row");
        return t.ret(1);
    }
    if (ix) ix = rowIndex(w);
    if (ix) addDetail(ix, entry, d->DORNxt);
    updateSORow(sor, w);
    TRACE_DETAIL(t, "SORow updated ...");
    if (t.detail()) {
        logSOR(sor, w);
        logDOR(d->DORNxt, w);
    }
    return merged();
}

} // namespace zrx
