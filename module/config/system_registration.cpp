#include "config/system_registration.h"

#include <cstring>

#include "config/enqplex_table.h"
#include "frame/fixed_names.h"
#include "frame/trace.h"
#include "frame/work_area.h"

namespace zrx {

namespace {

bool endsName(char c) { return c == '.' || c == ' ' || c == '\0'; }

constexpr int listItem = 10;

// One item of the list of Enqplexes that hold a System: the name, then ", "
// at its first blank (or after 8 characters), in 10 blank-padded places.
// Returns the place of the ",".
int makeItem(char (&item)[listItem + 1], const char (&name)[8]) {
    std::memset(item, ' ', listItem);
    item[listItem] = '\0';
    std::memcpy(item, name, 8);
    int pos = 0;
    while (pos < 8 && item[pos] != ' ') ++pos;
    item[pos] = ',';
    item[pos + 1] = ' ';
    return pos;
}

} // namespace

int32_t DoMxcfsysRow(workA* w) {
    ZRX_ROUTINE(t, "DoMxcfsysRow");
    const PxsmRow& row = w->pxsmRow;
    const char* node = curNode(w);

    // 1-4: Enqplex name and MIM job name from the ENQPLEX column.
    char enqpName[8];
    char mimJob[8];
    std::memset(enqpName, ' ', sizeof enqpName);
    std::memset(mimJob, ' ', sizeof mimJob);
    int i = 0;
    while (i < 8 && !endsName(row.enqplex[i])) {
        enqpName[i] = row.enqplex[i];
        ++i;
    }
    if (i == 8 && !endsName(row.enqplex[8])) {
        TRACE_ALWAYS(t, "Configuration Error: System '%s' ENQPLEX name exceeds 8 characters (\"%s\")\n",
                     printable(row.sysname).c_str(), printable(row.enqplex).c_str());
        return t.ret(1);
    }

    // A blank first byte marks a free slot: a System or PlexHub registered
    // under such a name would leave a slot that still looks free while the
    // counts grow, so such a row is passed over. An over-long ENQPLEX name
    // above still ends discovery, whatever the rest of the row holds.
    if (blankFirst(row.sysname)) {
        TRACE_ERROR(t, "MXCFSYS row without a System name passed over (PlexHub %s, ENQPLEX \"%s\")",
                    Printable<8>(node, 8).c_str(), printable(row.enqplex).c_str());
        return t.ret(0);
    }
    if (blankFirst(node)) {
        TRACE_ERROR(t, "System %s passed over: its PlexHub node \"%s\" has no name before \":\"",
                    printable(row.sysname).c_str(), printable(w->inodeRow.node).c_str());
        return t.ret(0);
    }
    if (row.enqplex[i] == '.') std::memcpy(mimJob, row.enqplex + i + 1, sizeof mimJob);
    if (enqpName[0] == ' ') std::memcpy(enqpName, "*DEFAULT", 8);
    const auto enqpPrint = printable(enqpName);
    TRACE_DETAIL(t, "Looking for Enqplxs entry for Enqplex %s\n", enqpPrint.c_str());

    // 6-7: find or take the entry.
    int j = 0;
    for (; j < maxENQP; ++j) {
        EnqplxEntry& e = w->Enqplxs[j];
        if (blankFirst(e.EnqpName)) {
            TRACE_DETAIL(t, "Slot %d is available\n", j);
            w->numEnqplexes += 1;
            InitEnqplxsI(j, w);
            copyName(e.EnqpName, enqpName);
            break;
        }
        if (sameName(e.EnqpName, enqpName)) {
            TRACE_DETAIL(t, "Slot %d is already assigned to the enqplex we're looking for\n", j);
            break;
        }
    }
    if (j == maxENQP) {
        TRACE_ALWAYS(t,
                     "Morvek architectural limit exceeded - more than %d Enqplex names have been "
                     "encountered\n",
                     maxENQP);
        logAllEnqplxs(w);
        return t.ret(1);
    }
    if (t.detail()) logEnqplxs(w, j);
    EnqplxEntry& e = w->Enqplxs[j];

    // 8: record the PlexHub.
    TRACE_DETAIL(t, "Wanting to add info for PlexHub %s to Enqplxs\n", Printable<8>(node, 8).c_str());
    int k = 0;
    for (; k < maxPlexHubs; ++k) {
        TRACE_DETAIL(t, "Looking at Enqplxs[%d] PHNames[%d]: \"%s\"\n", j, k,
                     printable(e.PHNames[k]).c_str());
        if (blankFirst(e.PHNames[k])) {
            e.numPHs += 1;
            std::memcpy(e.PHNames[k], node, 8);
            copyName(e.PHNodes[k], w->inodeRow.node);
            copyName(e.PHThruNodes[k], w->inodeRow.thrunode);
            break;
        }
        if (std::memcmp(e.PHNames[k], node, 8) == 0) break;
    }
    if (k == maxPlexHubs) {
        TRACE_ALWAYS(t,
                     "Morvek architectural limit exceeded - more than %d PlexHub names have been "
                     "encountered for Enqplex %s\n",
                     maxPlexHubs, enqpPrint.c_str());
        logAllEnqplxs(w);
        return t.ret(1);
    }

    // 9: append the System.
    TRACE_DETAIL(t, "Wanting to add info for System %s to Enqplxs\n", printable(row.sysname).c_str());
    int l = 0;
    for (; l < maxSystems; ++l) {
        if (blankFirst(e.SysNames[l])) {
            e.numSys += 1;
            copyName(e.SysNames[l], row.sysname);
            std::memcpy(e.SysPHNames[l], node, 8);
            copyName(e.SysEnqpText[l], row.enqplex);
            copyName(e.SysEnqpNames[l], enqpName);
            std::memset(e.SysThruNodes[l], '?', sizeof e.SysThruNodes[l]);
            e.SysFlags[l] = 0;
            copyName(e.MIMJbNm[l], mimJob);
            break;
        }
        if (sameName(e.SysNames[l], row.sysname)) {
            TRACE_ALWAYS(t, "Configuration Error: System %s occurs multiple times\n",
                         printable(row.sysname).c_str());
            logAllEnqplxs(w);
            return t.ret(1);
        }
    }
    if (l == maxSystems) {
        TRACE_ALWAYS(t,
                     "Morvek architectural limit exceeded - more than %d System names have been "
                     "encountered for Enqplex %s\n",
                     maxSystems, enqpPrint.c_str());
        logAllEnqplxs(w);
        return t.ret(1);
    }

    // 10: one kind of enqueue management within an Enqplex.
    if (l == 0) {
        if (mimJob[0] != ' ') e.EnqpFlags = mimManaged;
    } else if ((e.EnqpFlags & mimManaged) && mimJob[0] == ' ') {
        TRACE_ERROR(t,
                    "Configuration Error: System %s (in Enqplex %s) specifies Enqueue management "
                    "inconsistent with other Systems in this Enqplex.",
                    printable(row.sysname).c_str(), enqpPrint.c_str());
        return t.ret(1);
    }

    // 11-13: each System in one Enqplex only.
    char items[maxENQP][listItem + 1];
    int commaAt[maxENQP] = {};
    int count = 0;
    for (int ei = 0; ei < w->numEnqplexes && ei < maxENQP; ++ei) {
        const EnqplxEntry& other = w->Enqplxs[ei];
        TRACE_DETAIL(t, "Looking for duplicate system name in Enqplxs[%d]\n", ei);
        for (int sl = 0; sl < other.numSys && sl < maxSystems; ++sl) {
            TRACE_DETAIL(t, "Looking at system entry %d\n", sl);
            if (sameName(row.sysname, other.SysNames[sl]) && count < maxENQP) {
                commaAt[count] = makeItem(items[count], other.EnqpName);
                ++count;
            }
        }
    }
    if (count < 2) return t.ret(0);

    // In the last item the ", " becomes one blank and the item ends there.
    char* last = items[count - 1];
    last[commaAt[count - 1]] = ' ';
    last[commaAt[count - 1] + 1] = '\0';
    char list[maxENQP * listItem + 1];
    size_t used = 0;
    for (int n = 0; n < count; ++n) {
        size_t len = strnlen(items[n], listItem);
        std::memcpy(list + used, items[n], len);
        used += len;
    }
    list[used] = '\0';
    TRACE_ALWAYS(t,
                 "Configuration Error: System %s occurs in more than one Enqplex.  The Enqplexes "
                 "are: %s\n",
                 printable(row.sysname).c_str(), list);
    logAllEnqplxs(w);
    return t.ret(1);
}

} // namespace zrx
