#include "driver/collection.h"

#include <cstring>

#include "aggregate/detail_batch.h"
#include "aggregate/input_merge.h"
#include "config/discovery.h"
#include "config/enqplex_table.h"
#include "frame/fixed_names.h"
#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "query/contention_fetch.h"
#include "query/index_predicates.h"
#include "query/row_fetch.h"
#include "query/sql_layer.h"
#include "query/summary_query.h"
#include "storage/row_index.h"
#include "zrx/status.h"

namespace zrx {

namespace {

constexpr int32_t phaseOneCreateFailed = entry::requestFailed;
constexpr int32_t abandoned = entry::viewAbandoned;

bool wanted(const workA* w, int i) {
    return w->idxTbl.enqplex[0] == ' ' ||
           std::memcmp(w->idxTbl.enqplex, w->Enqplxs[i].EnqpName, sizeof w->Enqplxs[i].EnqpName) == 0;
}

void prepareSlot(workA* w, const char* table) {
    resetQueries(w);
    defineQuery(w, table);
}

bool hasSystemBit(const SORow& r, int l) {
    return (r.SysRMask[l / 8] & (0x80u >> (l % 8))) != 0;
}

// Phase I: every PlexHub of every wanted Enqplex reports its MGLBLENQ rows.
int32_t phaseOne(workA* w, Trace& t) {
    for (w->curEnqpI = 0; w->curEnqpI < w->numEnqplexes && w->curEnqpI < maxENQP; ++w->curEnqpI) {
        if (!wanted(w, w->curEnqpI)) continue;
        EnqplxEntry& e = w->Enqplxs[w->curEnqpI];
        for (int j = 0; j < e.numPHs && j < maxPlexHubs; ++j) {
            std::memcpy(curNode(w), e.PHNames[j], 8);
            prepareSlot(w, "MGLBLENQ");
            TRACE_DETAIL(t, "About to access MGLBLENQ for Node \"%s\" Thrunode \"%s\"   ",
                         printable(e.PHNodes[j]).c_str(), printable(e.PHThruNodes[j]).c_str());
            if (setupMglblenqSQL(w, w->curEnqpI, j) != 0) {
                TRACE_ALWAYS(t, abandonline::summaryQueryNotBuilt);
                return abandoned;
            }
            TRACE_DETAIL(t, "MGLBLENQ SQL(%s)", w->sqlPtr);
            if (int32_t status = createReq(w)) {
                TRACE_ERROR(t, "createReq failure(%d)", status);
                Drop_SQL(w);
                DropPathForGood(w->pathHdl);
                return phaseOneCreateFailed;
            }
            int32_t status;
            while ((status = fetchMglblenq(w)) == 0) {
                if (ProcessInput(w) != 0) {
                    TRACE_ALWAYS(t, abandonline::noStorageForRows);
                    return abandoned;
                }
            }
            if (status != fetch::endOfData) {
                TRACE_ALWAYS(t, abandonline::summaryQueryFailed, status);
                Drop_SQLii(w, Get_SQL(w, "MGLBLENQ"));
                return abandoned;
            }
            Drop_SQLii(w, Get_SQL(w, "MGLBLENQ"));
        }
    }
    return 0;
}

// Phase II: in Enqplexes of several Sysplexes or under MIM, each System is
// asked about the resources it has not reported and that have no exclusive
// true owner yet.
int32_t phaseTwo(workA* w, Trace& t) {
    for (int p = 0; p < w->numEnqplexes && p < maxENQP; ++p) {
        if (!wanted(w, p)) continue;
        w->curEnqpI = p;
        EnqplxEntry& e = w->Enqplxs[p];
        const auto name = printable(e.EnqpName);
        TRACE_DETAIL(t, "Phase II  Enqplex: %s  ------------------------------------ Phase II", name.c_str());
        if (e.numPHs == 1 && !(e.EnqpFlags & mimManaged)) {
            TRACE_DETAIL(t, "Skipping Phase II for Enqplex %s which is one Sysplex which is not MIM managed",
                         name.c_str());
            continue;
        }
        for (int l = 0; l < e.numSys && l < maxSystems; ++l) {
            std::memcpy(curNode(w), e.SysPHNames[l], 8);
            TRACE_DETAIL(t, "           System:  %s", printable(e.SysNames[l]).c_str());
            if (!(e.SysFlags[l] & thruNodeKnown)) {
                TRACE_ERROR(t, "                                 No ThruNode info - skipping this System");
                continue;
            }
            prepareSlot(w, "ENQSTUFF");
            // SORNxt is read only after the row is handled: rows that a
            // detail batch appends during the walk are walked too.
            for (SORow* r = e.SOR1st; r; r = r->SORNxt) {
                TRACE_DETAIL(t, "               Major: %s  Minor: %s...", printable(r->majorname).c_str(),
                             Printable<32>(r->minorname, 32).c_str());
                if (r->SORFlag & exclusiveTrueOwnerSeen) {
                    TRACE_DETAIL(t, "                !! >> Have already seen  exclusive true owner !! <-");
                    continue;
                }
                if (hasSystemBit(*r, l)) {
                    TRACE_DETAIL(t, "                                 nevermind");
                    continue;
                }
                if (DQSQLW(w, p, l, r) != 0) {
                    TRACE_ALWAYS(t, abandonline::detailQueryFailed);
                    return abandoned;
                }
            }
            TRACE_DETAIL(t, "Have finished stepping through all SORs; calling DQSQLW (NULL)");
            if (DQSQLW(w, 0, 0, nullptr) != 0) {
                TRACE_ALWAYS(t, abandonline::detailQueryFailedAtEnd);
                return abandoned;
            }
        }
    }
    return 0;
}

} // namespace

int32_t collect(workA* w, Trace& t) {
    resetRowIndex(w);
    if (setupIndices(w) != 0) {
        TRACE_ALWAYS(t, abandonline::invalidIndices);
        return abandoned;
    }
    if (FigConfig(w) != 0) {
        TRACE_ALWAYS(t, abandonline::configProblem);
        logAllEnqplxs(w);
        return abandoned;
    }
    TRACE_DETAIL(t, "OK, we're back from FigConfig ...");
    if (t.detail()) logAllEnqplxs(w);

    if (int32_t status = phaseOne(w, t)) return status;
    if (int32_t status = phaseTwo(w, t)) return status;

    w->loopCtl = 0;
    w->NAEnqpI = 0;
    w->NASOR = w->Enqplxs[0].SOR1st;
    w->NADOR = w->NASOR ? w->NASOR->DOR1st : nullptr;
    return 0;
}

} // namespace zrx
