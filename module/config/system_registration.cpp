#include "config/system_registration.h"

#include <cstdint>
#include <cstring>

#include "config/enqplex_table.h"
#include "config/systems_by_name.h"
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

// The names an MXCFSYS row's ENQPLEX column gives its System.
struct ColumnNames {
    char enqpName[8]; // blank-padded; "*DEFAULT" when the column names none
    char mimJob[8];   // blank-padded; blanks when the System names no MIM job
};

// Reads the Enqplex name (up to the first ".", blank or NUL, at most 8
// characters) and the MIM job name after a "." that ends it. False when the
// name runs on past 8 characters.
bool readEnqplexColumn(const char (&column)[32], ColumnNames& out) {
    std::memset(out.mimJob, ' ', sizeof out.mimJob);
    const int i = firstOf8(column, '.', ' ', '\0');
    blankPaddedPrefix(out.enqpName, column, i);
    if (i == 8 && !endsName(column[8])) return false;
    if (column[i] == '.') std::memcpy(out.mimJob, column + i + 1, sizeof out.mimJob);
    if (out.enqpName[0] == ' ') std::memcpy(out.enqpName, "*DEFAULT", 8);
    return true;
}

// A blank first byte marks a free slot: a System or PlexHub registered under
// such a name would leave a slot that still looks free while the counts
// grow, so its row is passed over.
bool namedEnough(workA* w, Trace& t, const char* node) {
    const PxsmRow& row = w->pxsmRow;
    if (blankFirst(row.sysname)) {
        TRACE_ERROR(t, "MXCFSYS row without a System name passed over (PlexHub %s, ENQPLEX \"%s\")",
                    Printable<8>(node, 8).c_str(), printable(row.enqplex).c_str());
        return false;
    }
    if (blankFirst(node)) {
        TRACE_ERROR(t, "System %s passed over: its PlexHub node \"%s\" has no name before \":\"",
                    printable(row.sysname).c_str(), printable(w->inodeRow.node).c_str());
        return false;
    }
    return true;
}

// The entry of the Enqplex, taken when the name is new; -1 when all are
// taken by others. Entries are taken in order and never released, so a
// match always comes before the first free entry.
int findOrTakeEnqplex(workA* w, Trace& t, const char (&enqpName)[8]) {
    for (int j = 0; j < maxENQP; ++j) {
        EnqplxEntry& e = w->Enqplxs[j];
        if (blankFirst(e.EnqpName)) {
            TRACE_DETAIL(t, "Slot %d is available\n", j);
            w->numEnqplexes += 1;
            InitEnqplxsI(j, w);
            copyName(e.EnqpName, enqpName);
            return j;
        }
        if (sameName(e.EnqpName, enqpName)) {
            TRACE_DETAIL(t, "Slot %d is already assigned to the enqplex we're looking for\n", j);
            return j;
        }
    }
    TRACE_ALWAYS(t,
                 "Morvek architectural limit exceeded - more than %d Enqplex names have been "
                 "encountered\n",
                 maxENQP);
    logAllEnqplxs(w);
    return -1;
}

// Records the PlexHub in entry j unless it is there already; false when the
// entry holds as many other PlexHubs as it can.
bool recordPlexHub(workA* w, Trace& t, int j, const char* node, const char* enqpPrint) {
    EnqplxEntry& e = w->Enqplxs[j];
    TRACE_DETAIL(t, "Wanting to add info for PlexHub %s to Enqplxs\n", Printable<8>(node, 8).c_str());
    for (int k = 0; k < maxPlexHubs; ++k) {
        TRACE_DETAIL(t, "Looking at Enqplxs[%d] PHNames[%d]: \"%s\"\n", j, k, printable(e.PHNames[k]).c_str());
        if (blankFirst(e.PHNames[k])) {
            e.numPHs += 1;
            std::memcpy(e.PHNames[k], node, 8);
            copyName(e.PHNodes[k], w->inodeRow.node);
            copyName(e.PHThruNodes[k], w->inodeRow.thrunode);
            return true;
        }
        if (std::memcmp(e.PHNames[k], node, 8) == 0) return true;
    }
    TRACE_ALWAYS(t,
                 "Morvek architectural limit exceeded - more than %d PlexHub names have been "
                 "encountered for Enqplex %s\n",
                 maxPlexHubs, enqpPrint);
    logAllEnqplxs(w);
    return false;
}

// Appends the System to entry j; its slot, or -1 when it is there already or
// the entry is full.
int appendSystem(workA* w, Trace& t, EnqplxEntry& e, const char* node, const ColumnNames& names,
                 const char* enqpPrint) {
    const PxsmRow& row = w->pxsmRow;
    TRACE_DETAIL(t, "Wanting to add info for System %s to Enqplxs\n", printable(row.sysname).c_str());
    for (int l = 0; l < maxSystems; ++l) {
        if (blankFirst(e.SysNames[l])) {
            e.numSys += 1;
            copyName(e.SysNames[l], row.sysname);
            std::memcpy(e.SysPHNames[l], node, 8);
            copyName(e.SysEnqpText[l], row.enqplex);
            copyName(e.SysEnqpNames[l], names.enqpName);
            std::memset(e.SysThruNodes[l], '?', sizeof e.SysThruNodes[l]);
            e.SysFlags[l] = 0;
            copyName(e.MIMJbNm[l], names.mimJob);
            return l;
        }
        if (sameName(e.SysNames[l], row.sysname)) {
            TRACE_ALWAYS(t, "Configuration Error: System %s occurs multiple times\n", printable(row.sysname).c_str());
            logAllEnqplxs(w);
            return -1;
        }
    }
    TRACE_ALWAYS(t,
                 "Morvek architectural limit exceeded - more than %d System names have been "
                 "encountered for Enqplex %s\n",
                 maxSystems, enqpPrint);
    logAllEnqplxs(w);
    return -1;
}

// One kind of enqueue management within an Enqplex: its first System decides
// whether it is MIM-managed, and a later System of a MIM-managed Enqplex
// must name a MIM job too. The System stays appended either way.
bool sameEnqueueManagement(workA* w, Trace& t, EnqplxEntry& e, int slot, const char (&mimJob)[8],
                           const char* enqpPrint) {
    if (slot == 0) {
        if (mimJob[0] != ' ') e.EnqpFlags = mimManaged;
        return true;
    }
    if ((e.EnqpFlags & mimManaged) && mimJob[0] == ' ') {
        TRACE_ERROR(t,
                    "Configuration Error: System %s (in Enqplex %s) specifies Enqueue management "
                    "inconsistent with other Systems in this Enqplex.",
                    printable(w->pxsmRow.sysname).c_str(), enqpPrint);
        return false;
    }
    return true;
}

// Each System in one Enqplex only: otherwise the Enqplexes that hold it are
// listed, each but the last followed by a comma and blanks to 10 places.
bool inOneEnqplexOnly(workA* w, Trace& t, const SystemsByName& registered) {
    const PxsmRow& row = w->pxsmRow;
    // The walk below traces each step under detail; without that, and
    // without a second place, it would find nothing to say.
    if (!t.detail() && registered.count(row.sysname) < 2) return true;
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
    if (count < 2) return true;

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
    return false;
}

} // namespace

int32_t DoMxcfsysRow(workA* w, SystemsByName* registered) {
    ZRX_ROUTINE(t, "DoMxcfsysRow");
    const PxsmRow& row = w->pxsmRow;
    const char* node = curNode(w);

    // An over-long Enqplex name ends discovery, whatever the rest of the row.
    ColumnNames names;
    if (!readEnqplexColumn(row.enqplex, names)) {
        TRACE_ALWAYS(t, "Configuration Error: System '%s' ENQPLEX name exceeds 8 characters (\"%s\")\n",
                     printable(row.sysname).c_str(), printable(row.enqplex).c_str());
        return t.ret(1);
    }
    if (!namedEnough(w, t, node)) return t.ret(0);
    const auto enqpPrint = printable(names.enqpName);
    TRACE_DETAIL(t, "Looking for Enqplxs entry for Enqplex %s\n", enqpPrint.c_str());

    const int j = findOrTakeEnqplex(w, t, names.enqpName);
    if (j < 0) return t.ret(1);
    if (t.detail()) logEnqplxs(w, j);
    EnqplxEntry& e = w->Enqplxs[j];
    if (!recordPlexHub(w, t, j, node, enqpPrint.c_str())) return t.ret(1);
    const int slot = appendSystem(w, t, e, node, names, enqpPrint.c_str());
    if (slot < 0) return t.ret(1);
    if (registered) registered->add(j, slot);
    if (!sameEnqueueManagement(w, t, e, slot, names.mimJob, enqpPrint.c_str())) return t.ret(1);
    if (registered) return t.ret(inOneEnqplexOnly(w, t, *registered) ? 0 : 1);
    return t.ret(inOneEnqplexOnly(w, t, SystemsByName(w)) ? 0 : 1);
}

} // namespace zrx
