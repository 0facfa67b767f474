#include "aggregate/output_row.h"

#include <cstring>

#include "aggregate/summary_rows.h"
#include "frame/fixed_names.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "zrx/mentrenq_table.h"

namespace zrx {

void SORstep(workA* w) {
    ZRX_ROUTINE_VOID(t, "SORstep");
    TRACE_DETAIL(t, "On entry to SORstep: NAEnqpI is %d, NASOR is %8X, NADOR is %8X", w->NAEnqpI,
                 addr32(w->NASOR), addr32(w->NADOR));
    TRACE_DETAIL(t, "numEnqplexes: %d", w->numEnqplexes);
    if (w->NASOR && !w->NADOR) w->NADOR = w->NASOR->DOR1st;
    while (!w->NASOR && w->NAEnqpI < w->numEnqplexes) {
        w->NAEnqpI += 1;
        if (w->NAEnqpI < w->numEnqplexes && w->NAEnqpI < maxENQP) {
            w->NASOR = w->Enqplxs[w->NAEnqpI].SOR1st;
            TRACE_DETAIL(t, "In loop: NAEnqpI is %d, NASOR is %8X, NADOR is %8X ", w->NAEnqpI,
                         addr32(w->NASOR), addr32(w->NADOR));
            if (w->NASOR)
                w->NADOR = w->NASOR->DOR1st;
            else
                TRACE_DETAIL(t, "SOR1st is null");
        }
    }
    TRACE_DETAIL(t, "On exit frm SORstep: NAEnqpI is %d, NASOR is %8X, NADOR is %8X", w->NAEnqpI,
                 addr32(w->NASOR), addr32(w->NADOR));
}

int32_t setupMentrenq(workA* w) {
    ZRX_ROUTINE(t, "setupMentrenq");
    w->rowsReturned += 1;
    MentrenqRow& o = w->outputRow;
    fillBlanks(o.majorname);
    fillBlanks(o.minorname);
    fillBlanks(o.owningas);
    fillBlanks(o.waitingas);
    fillBlanks(o.sysname);
    fillBlanks(o.report);
    fillBlanks(o.originnode);
    fillBlanks(o.plxname);
    fillBlanks(o.enqplex);
    o.owntaskct = 0;
    o.waittaskct = 0;
    o.maxwaittm = 0;
    o.swapped = 0;
    o.type = 0;
    o.asid = 0;
    o.waittime = 0;
    o.trueowner = 0;

    const SORow* sor = w->NASOR;
    TRACE_DETAIL(t, "Using SORow at %8X", addr32(sor));
    if (!sor) return t.ret(0);
    copyName(o.majorname, sor->majorname);
    copyName(o.minorname, sor->minorname);
    o.owntaskct = sor->owntaskct;
    o.waittaskct = sor->waittaskct;
    o.maxwaittm = sor->maxwaittm;
    if (w->NAEnqpI >= 0 && w->NAEnqpI < maxENQP) copyName(o.enqplex, w->Enqplxs[w->NAEnqpI].EnqpName);
    if (w->idxTbl.idxReport == 'Y') {
        std::memcpy(o.report, reportPredicate.value, sizeof o.report);
        return t.ret(0);
    }

    const DORow* dor = w->NADOR;
    TRACE_DETAIL(t, "Using DORow at %8X", addr32(dor));
    if (!dor) return t.ret(0);
    copyName(o.owningas, dor->owningas);
    copyName(o.waitingas, dor->waitingas);
    copyName(o.sysname, dor->sysname);
    o.swapped = dor->swapped;
    o.type = dor->type;
    o.asid = dor->asid;
    o.waittime = dor->waittime;
    copyName(o.originnode, dor->originnode);
    copyName(o.plxname, dor->plxname);
    o.trueowner = static_cast<uint8_t>(dor->trueowner);

    // An owner marked 0x80 in its flag byte is the true owner when nobody
    // else is; otherwise only when no other task of the resource runs on its
    // System.
    if (!isOwner(dor->owningas)) return t.ret(0);
    if (static_cast<uint8_t>(dor->enqpflag) != 0x80) return t.ret(0);
    o.trueowner = static_cast<uint8_t>(trueOwnerMark);
    if (sor->SORFlag & noTrueOwnerSeen) return t.ret(0);
    for (const DORow* d = sor->DOR1st; d; d = d->DORNxt) {
        if (d != dor && sameName(d->sysname, dor->sysname)) {
            o.trueowner = 0;
            break;
        }
    }
    return t.ret(0);
}

void logRowMENTRENQ(workA* w) {
    ZRX_ROUTINE_VOID(t, "logRowMENTRENQ");
    const MentrenqRow& o = w->outputRow;
    TRACE_DETAIL(t, "Dumping row of MENTRENQ ...");
    TRACE_ALWAYS(t, "    majorname  = %s", printable(o.majorname).c_str());
    TRACE_ALWAYS(t, "    minorname  = %s", printable(o.minorname).c_str());
    TRACE_ALWAYS(t, "    owntaskct  = %d", o.owntaskct);
    TRACE_ALWAYS(t, "    waittaskct = %d", o.waittaskct);
    TRACE_ALWAYS(t, "    maxwaittm  = %d", o.maxwaittm);
    TRACE_ALWAYS(t, "    owningas   = %s", printable(o.owningas).c_str());
    TRACE_ALWAYS(t, "    waitingas  = %s", printable(o.waitingas).c_str());
    TRACE_ALWAYS(t, "    sysname    = %s", printable(o.sysname).c_str());
    TRACE_ALWAYS(t, "    swapped    = 0x%X", widened(o.swapped));
    TRACE_ALWAYS(t, "    type       = 0x%X", widened(o.type));
    TRACE_ALWAYS(t, "    asid       = 0x%4X", static_cast<unsigned>(o.asid));
    TRACE_ALWAYS(t, "    waittime   = %d", o.waittime);
    TRACE_ALWAYS(t, "    report     = %s", printable(o.report).c_str());
    TRACE_ALWAYS(t, "    originnode = %s", printable(o.originnode).c_str());
    TRACE_ALWAYS(t, "    plxname    = %s", printable(o.plxname).c_str());
    TRACE_ALWAYS(t, "    enqplex    = %s", printable(o.enqplex).c_str());
    TRACE_ALWAYS(t, "    trueowner  = 0x%X", widened(static_cast<int8_t>(o.trueowner)));
}

} // namespace zrx
