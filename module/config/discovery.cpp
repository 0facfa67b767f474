#include "config/discovery.h"

#include <cstdint>
#include <cstring>

#include "config/enqplex_table.h"
#include "config/system_registration.h"
#include "config/systems_by_name.h"
#include "frame/fixed_names.h"
#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "query/row_fetch.h"
#include "query/sql_layer.h"
#include "query/sql_quote.h"
#include "query/sql_texts.h"

namespace zrx {

namespace {

// The hub marks PlexHubs with this affinity string; its first 8 characters
// select them.
constexpr char affinityString[] = "1000000000000000000000000000000000000000000";
static_assert(sizeof affinityString - 1 == 43);
constexpr int affinityPrefixLength = 8;

// A name that begins with a blank or a NUL names nothing: a blank marks a
// free slot, and an empty name cannot route a query.
bool namesNothing(const char* field) { return field[0] == ' ' || field[0] == '\0'; }

// The node's name before its first ":", at most 8 characters, blank-padded.
void shortName(char (&out)[8], const char (&node)[32]) {
    blankPaddedPrefix(out, node, firstOf8(node, ':'));
}

// Defines the INODESTS query `text` in slot 0 as the outer query.
void defineNodeQuery(workA* w, Trace& t, const char* text, const char* arg) {
    resetQueries(w);
    defineQuery(w, "INODESTS");
    int32_t n = writeQueryText(w, text, arg);
    w->SQLtbl[w->curSQLslot].colCnt = 2;
    TRACE_DETAIL(t, "INODESTS SQL(%s)", w->sqlPtr);
    w->sqlPtr += (n < 0 ? 0 : n) + 1;
    w->curSQLslot = 1;
}

int32_t createFailed(workA* w, Trace& t, int32_t status) {
    TRACE_ERROR(t, "createReq failure(%d)", status);
    Drop_SQL(w);
    DropPathForGood(w->pathHdl);
    return 1;
}

} // namespace

int32_t FigConfig(workA* w) {
    ZRX_ROUTINE(t, "FigConfig");
    char prefix[affinityPrefixLength + 1];
    std::memcpy(prefix, affinityString, affinityPrefixLength);
    prefix[affinityPrefixLength] = '\0';

    resetEnqplxs(w);
    // Kept beside the table as registration fills it.
    SystemsByName registered(w);

    defineNodeQuery(w, t, sqltext::plexHubQuery, prefix);
    if (int32_t status = createReq(w)) return t.ret(createFailed(w, t, status));

    int32_t status;
    while ((status = fetchInodeRow(w)) == 0) {
        const InodeRow& node = w->inodeRow;
        char plexHub[8];
        shortName(plexHub, node.node);
        std::memcpy(curNode(w), plexHub, sizeof plexHub);
        if (namesNothing(plexHub) || namesNothing(node.thrunode)) {
            TRACE_ERROR(t, "PlexHub node \"%s\" passed over: no PlexHub name or no thru-node",
                        printable(node.node).c_str());
            continue;
        }
        TRACE_DETAIL(t, "About to access MXCFSYS for Node \"%s\" Thrunode \"%s\"       ",
                     printable(node.node).c_str(), printable(node.thrunode).c_str());

        // Every PlexHub's MXCFSYS text goes to the same place, right after
        // the outer query's, in slot 1.
        defineQuery(w, "MXCFSYS");
        char thruNode[2 * sizeof node.thrunode + 1];
        quoteInto(thruNode, sizeof thruNode, node.thrunode, sizeof node.thrunode, '"');
        writeQueryText(w, sqltext::mxcfsysQuery, thruNode);
        w->SQLtbl[w->curSQLslot].colCnt = 7;
        TRACE_DETAIL(t, "MXCFSYS SQL(%s)", w->sqlPtr);
        if (int32_t s = createReq(w)) return t.ret(createFailed(w, t, s));

        int32_t member;
        while ((member = fetchPxsmRow(w)) == 0) {
            if (DoMxcfsysRow(w, &registered) != 0) {
                TRACE_ALWAYS(t,
                             "DoMxcfsysRow indicated the configuration error cited above; "
                             "abandoning view\n");
                return t.ret(1);
            }
        }
        if (t.detail()) {
            TRACE_DETAIL(t, "At end of one PlexHub's MXCFSYS table ...");
            logAllEnqplxs(w);
        }
        if (member != fetch::endOfData) {
            TRACE_ALWAYS(t, "fetchPxsmRow failed status %d", member);
            return t.ret(1);
        }
        Drop_SQLii(w, Get_SQL(w, "MXCFSYS"));
    }
    if (status != fetch::endOfData) {
        TRACE_DETAIL(t, "fetchInodeRow failed status %d", status);
        return t.ret(1);
    }

    Drop_SQL(w);
    defineNodeQuery(w, t, sqltext::thruNodeQuery, nullptr);
    if (int32_t s = createReq(w)) return t.ret(createFailed(w, t, s));

    const SystemsByName& systems = registered;
    while ((status = fetchInodeRow(w)) == 0) {
        const InodeRow& node = w->inodeRow;
        char system[8];
        shortName(system, node.node);
        // Such a row gives its System no thru-node; phase II then skips that
        // System, so the row is named here rather than dropped in silence.
        if (namesNothing(system) || namesNothing(node.thrunode)) {
            TRACE_ERROR(t, "Agent node \"%s\" passed over: no System name or no thru-node",
                        printable(node.node).c_str());
            continue;
        }
        systems.forEach(system, [&](EnqplxEntry& entry, int l) {
            copyName(entry.SysThruNodes[l], node.thrunode);
            entry.SysFlags[l] |= thruNodeKnown;
        });
    }
    if (status == fetch::endOfData) {
        Drop_SQL(w);
        return t.ret(0);
    }
    TRACE_DETAIL(t, "fetchInodeRow failed status %d", status);
    return t.ret(1);
}

} // namespace zrx
