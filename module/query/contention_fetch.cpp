#include "query/contention_fetch.h"

#include <cstring>

#include "frame/fixed_names.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "query/row_fetch.h"

namespace zrx {

namespace {

void resetInputRow(workA* w) {
    InputRow& r = w->inputRow;
    fillBlanks(r.majorname);
    fillBlanks(r.minorname);
    r.owntaskct = 0;
    r.waittaskct = 0;
    r.maxwaittm = 0;
    fillBlanks(r.owningas);
    fillBlanks(r.waitingas);
    fillBlanks(r.sysname);
    r.swapped = 0;
    r.type = 0;
    r.asid = 0;
    r.waittime = 0;
    fillBlanks(r.report);
    fillBlanks(r.originnode);
    r.enqpflag = 0;
    fillBlanks(r.plxname);
}

} // namespace

int32_t fetchMglblenq(workA* w) {
    ZRX_ROUTINE(t, "fetchMglblenq");
    InputRow& r = w->inputRow;
    const FetchTarget targets[] = {
        {r.majorname, sizeof r.majorname}, {r.minorname, sizeof r.minorname},
        {&r.owntaskct, sizeof r.owntaskct}, {&r.waittaskct, sizeof r.waittaskct},
        {&r.maxwaittm, sizeof r.maxwaittm}, {r.owningas, sizeof r.owningas},
        {r.waitingas, sizeof r.waitingas}, {r.sysname, sizeof r.sysname},
        {&r.swapped, sizeof r.swapped},     {&r.type, sizeof r.type},
        {&r.asid, sizeof r.asid},           {&r.waittime, sizeof r.waittime},
        {r.report, sizeof r.report},        {r.originnode, sizeof r.originnode},
        {&r.enqpflag, sizeof r.enqpflag},
    };
    int32_t status = fetchRowInto(w, t, "fetchMglblenq", "MGLBLENQ", targets, 15, resetInputRow);
    if (status != 0) return t.ret(status);
    std::memcpy(r.plxname, curNode(w), sizeof r.plxname);
    if (t.detail()) logRow("MGLBLENQ", w);
    return t.ret(0);
}

int32_t fetchEnqStuff(workA* w) {
    ZRX_ROUTINE(t, "fetchEnqStuff");
    InputRow& r = w->inputRow;
    // A null STATUS or JOBNAME leaves these defined: a waiter without a name.
    unsigned char taskStatus[4] = {0, 0, 0, 0};
    char jobname[8];
    fillBlanks(jobname);
    const FetchTarget targets[] = {
        {r.majorname, sizeof r.majorname}, {r.minorname, sizeof r.minorname},
        {taskStatus, sizeof taskStatus},   {jobname, sizeof jobname},
        {&r.swapped, sizeof r.swapped},     {&r.type, sizeof r.type},
        {&r.asid, sizeof r.asid},           {r.sysname, sizeof r.sysname},
        {&r.waittime, sizeof r.waittime},   {&r.enqpflag, sizeof r.enqpflag},
    };
    int32_t status = fetchRowInto(w, t, "fetchEnqStuff", "ENQSTUFF", targets, 10, resetInputRow);
    if (status != 0) return t.ret(status);
    if (taskStatus[0] == 1)
        copyName(r.owningas, jobname);
    else
        copyName(r.waitingas, jobname);
    std::memcpy(r.plxname, curNode(w), sizeof r.plxname);
    if (t.detail()) logRow("ENQSTUFF", w);
    return t.ret(0);
}

} // namespace zrx
