#include "aggregate/summary_rows.h"

#include <cstdio>
#include <cstring>

#include "frame/fixed_names.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "storage/view_storage.h"
#include "zrx/status.h"

namespace zrx {

namespace {

constexpr uint8_t enqpNotTrueOwner = 0x80;

bool notTrueOwnerFlag(int8_t enqpflag) { return (static_cast<uint8_t>(enqpflag) & enqpNotTrueOwner) != 0; }

// Counts the request for a row against the limit, also when it fails later.
bool rowAvailable(workA* w, Trace& t) {
    const int32_t taken = w->rowsUsed;
    w->rowsUsed = taken + 1;
    if (taken >= maxOutputRows) {
        TRACE_ALWAYS(t, abandonline::outputRowLimit, maxOutputRows);
        return false;
    }
    return true;
}

} // namespace

SORow* newSORow(workA* w) {
    ZRX_ROUTINE(t, "newSORow");
    if (!rowAvailable(w, t)) return nullptr;
    TRACE_DETAIL(t, "Creating a SORow");
    void* storage = nullptr;
    int32_t status = obtainViewStorage(w, t, SORowSize, alignof(SORow), &storage);
    if (status != 0 || !storage) {
        TRACE_ALWAYS(t, "No (GetView)Storage for SORow.");
        return nullptr;
    }
    TRACE_DETAIL(t, "Got SORow storage at %8X", addr32(storage));
    auto* r = static_cast<SORow*>(storage);
    const InputRow& in = w->inputRow;
    r->DOR1st = nullptr;
    r->SORNxt = nullptr;
    copyName(r->majorname, in.majorname);
    copyName(r->minorname, in.minorname);
    r->owntaskct = 0;
    r->waittaskct = 0;
    r->maxwaittm = 0;
    std::memset(r->SysRMask, 0, sizeof r->SysRMask);
    r->SORFlag = noTrueOwnerSeen;
    if (t.detail()) logSOR(r, w);
    t.ret(static_cast<int32_t>(addr32(r)));
    return r;
}

DORow* newDORow(workA* w) {
    ZRX_ROUTINE(t, "newDORow");
    if (!rowAvailable(w, t)) return nullptr;
    TRACE_DETAIL(t, "Creating a DORow");
    void* storage = nullptr;
    int32_t status = obtainViewStorage(w, t, DORowSize, alignof(DORow), &storage);
    if (status != 0 || !storage) return nullptr;
    TRACE_DETAIL(t, "Got DORow storage at %8X", addr32(storage));
    auto* r = static_cast<DORow*>(storage);
    const InputRow& in = w->inputRow;
    r->DORNxt = nullptr;
    copyName(r->owningas, in.owningas);
    copyName(r->waitingas, in.waitingas);
    copyName(r->sysname, in.sysname);
    r->swapped = in.swapped;
    r->type = in.type;
    r->asid = in.asid;
    r->waittime = in.waittime;
    copyName(r->originnode, in.originnode);
    copyName(r->plxname, in.plxname);
    r->enqpflag = in.enqpflag;
    if (!isOwner(in.owningas))
        r->trueowner = waiterMark;
    else if (!notTrueOwnerFlag(in.enqpflag))
        r->trueowner = trueOwnerMark;
    else
        r->trueowner = 0;
    if (t.detail()) logDOR(r, w);
    t.ret(static_cast<int32_t>(addr32(r)));
    return r;
}

void updateSORow(SORow* r, workA* w) {
    ZRX_ROUTINE_VOID(t, "updateSORow");
    TRACE_DETAIL(t, "Updating SORow at %8X", addr32(r));
    const InputRow& in = w->inputRow;
    const bool owner = isOwner(in.owningas);
    if (owner)
        r->owntaskct += 1;
    else
        r->waittaskct += 1;
    if (in.waittime > r->maxwaittm) r->maxwaittm = in.waittime;
    if (owner && !notTrueOwnerFlag(in.enqpflag)) {
        if (in.type == 0) r->SORFlag |= exclusiveTrueOwnerSeen;
        r->SORFlag &= static_cast<uint8_t>(~noTrueOwnerSeen);
    }
    if (w->curEnqpI >= 0 && w->curEnqpI < maxENQP) {
        const EnqplxEntry& e = w->Enqplxs[w->curEnqpI];
        for (int i = 0; i < e.numSys && i < maxSystems; ++i)
            if (sameName(e.SysNames[i], in.sysname))
                r->SysRMask[i / 8] |= static_cast<uint8_t>(0x80u >> (i % 8));
    }
    if (t.detail()) logSOR(r, w);
}

void logSOR(SORow* r, workA*) {
    ZRX_ROUTINE_VOID(t, "logSOR");
    char mask[2 * sizeof r->SysRMask + 1];
    for (size_t i = 0; i < sizeof r->SysRMask; ++i)
        std::snprintf(mask + 2 * i, 3, "%2.2hX", static_cast<unsigned short>(r->SysRMask[i]));
    char minor[sizeof r->minorname + 1];
    const size_t n = lengthWithoutTrailingBlanks(r->minorname, sizeof r->minorname);
    std::memcpy(minor, r->minorname, n);
    minor[n] = '\0';
    TRACE_ALWAYS(t, "Dumping SORow at %8X", addr32(r));
    TRACE_ALWAYS(t, "    SysRMask:        %s", mask);
    TRACE_ALWAYS(t, "     SORFlag:        0x%X", static_cast<unsigned>(r->SORFlag));
    TRACE_ALWAYS(t, "    DOR1st:          %8X", addr32(r->DOR1st));
    TRACE_ALWAYS(t, "    SORNxt:          %8X", addr32(r->SORNxt));
    TRACE_ALWAYS(t, "    majorname:       %s", printable(r->majorname).c_str());
    TRACE_ALWAYS(t, "    minorname:       %s", minor);
    TRACE_ALWAYS(t, "    owntaskct:       %d", r->owntaskct);
    TRACE_ALWAYS(t, "    waittaskct:      %d", r->waittaskct);
    TRACE_ALWAYS(t, "    maxwaittm:       %d", r->maxwaittm);
}

void logDOR(DORow* r, workA*) {
    ZRX_ROUTINE_VOID(t, "logDOR");
    TRACE_ALWAYS(t, "   Dumping DORow at %8X", addr32(r));
    TRACE_ALWAYS(t, "       DORNxt:      %8X", addr32(r->DORNxt));
    TRACE_ALWAYS(t, "       owningas:   %s", printable(r->owningas).c_str());
    TRACE_ALWAYS(t, "       waitingas:  %s", printable(r->waitingas).c_str());
    TRACE_ALWAYS(t, "       sysname:    %s", printable(r->sysname).c_str());
    TRACE_ALWAYS(t, "       plxname:    %s", printable(r->plxname).c_str());
    TRACE_ALWAYS(t, "       swapped:    0x%X", widened(r->swapped));
    TRACE_ALWAYS(t, "       type:       0x%X", widened(r->type));
    TRACE_ALWAYS(t, "       asid:       0x%4X", static_cast<unsigned>(r->asid));
    TRACE_ALWAYS(t, "       waittime:   %d", r->waittime);
    TRACE_ALWAYS(t, "    originnode:    %s", printable(r->originnode).c_str());
    TRACE_ALWAYS(t, "       enqpflag:   0x%X", widened(r->enqpflag));
    TRACE_ALWAYS(t, "      trueowner:   0x%X", widened(r->trueowner));
}

} // namespace zrx
