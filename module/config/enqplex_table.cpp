#include "config/enqplex_table.h"

#include "frame/fixed_names.h"
#include "frame/trace.h"
#include "frame/work_area.h"

namespace zrx {

// The dump's separator line: its format is 70 '-' and nothing else.
#define ENQPLXS_SEPARATOR "----------------------------------------------------------------------"
static_assert(sizeof ENQPLXS_SEPARATOR == 71);

void InitEnqplxsI(int32_t i, workA* w) {
    ZRX_ROUTINE_VOID(t, "InitEnqplxsI");
    if (i < 0 || i >= maxENQP) return;
    EnqplxEntry& e = w->Enqplxs[i];
    e.EnqpFlags = 0;
    e.numPHs = 0;
    e.numSys = 0;
    e.SOR1st = nullptr;
    for (auto& name : e.PHNames) name[0] = ' ';
    for (auto& name : e.SysNames) name[0] = ' ';
}

void resetEnqplxs(workA* w) {
    for (auto& e : w->Enqplxs) {
        e.EnqpName[0] = ' ';
        e.SOR1st = nullptr;
        e.numPHs = 0;
        e.numSys = 0;
    }
}

void logEnqplxs(workA* w, int32_t i) {
    ZRX_ROUTINE_VOID(t, "logEnqplxs");
    if (i < 0 || i >= maxENQP) return;
    const EnqplxEntry& e = w->Enqplxs[i];
    const bool unused = blankFirst(e.EnqpName);
    auto name = printable(e.EnqpName);
    TRACE_ALWAYS(t, ENQPLXS_SEPARATOR);
    TRACE_ALWAYS(t, ENQPLXS_SEPARATOR);
    TRACE_ALWAYS(t, "Enqplxs[%d]: Enqplex Name:  %s  SOR1st: %8X  (%d PHs, %d Sys)", i,
                 unused ? "(unused)" : name.c_str(), addr32(e.SOR1st), e.numPHs, e.numSys);
    TRACE_ALWAYS(t, ENQPLXS_SEPARATOR);
    if (unused) return;
    for (int k = 0; k < e.numPHs && k < maxPlexHubs; ++k) {
        TRACE_ALWAYS(t,
                     "  PlexHub[%d] Name: %s  Node: %s                                      "
                     "       ThruNode: %s",
                     k, printable(e.PHNames[k]).c_str(), printable(e.PHNodes[k]).c_str(),
                     printable(e.PHThruNodes[k]).c_str());
    }
    TRACE_ALWAYS(t, ENQPLXS_SEPARATOR);
    for (int l = 0; l < e.numSys && l < maxSystems; ++l) {
        TRACE_ALWAYS(t, "  System[%d] Name: %s  ThruNode: %s", l, printable(e.SysNames[l]).c_str(),
                     printable(e.SysThruNodes[l]).c_str());
        TRACE_ALWAYS(t, "                                PlexHub: %s  ENQPLEX:  %s",
                     printable(e.SysPHNames[l]).c_str(), printable(e.SysEnqpNames[l]).c_str());
        TRACE_ALWAYS(t, "                                MIMJbNm: %s", printable(e.MIMJbNm[l]).c_str());
    }
    TRACE_ALWAYS(t, ENQPLXS_SEPARATOR);
    TRACE_ALWAYS(t, ENQPLXS_SEPARATOR);
}

void logAllEnqplxs(workA* w) {
    for (int32_t i = 0; i < maxENQP; ++i) logEnqplxs(w, i);
}

} // namespace zrx
