// The view work area: everything the module knows about one query. The host
// allocates it at session start and hands it back on every entry call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records/discovery_rows.h"
#include "records/enqplex_entry.h"
#include "records/index_table.h"
#include "records/input_row.h"
#include "records/output_rows.h"
#include "records/sql_slot.h"
#include "zrx/handle.h"
#include "zrx/items.h"
#include "zrx/mentrenq_row.h"

namespace zrx {

inline constexpr int sqlTextSize = 8192;
inline constexpr int nodeAreaSize = 40;
inline constexpr int curNodeOffset = 21; // curNode inside nodeArea

struct workA {
    char eyeCatcher[8];         // "strWorkA"
    InodeRow inodeRow;
    PxsmRow pxsmRow;
    InputRow inputRow;
    MentrenqRow outputRow;
    SqlSlot SQLtbl[sqlSlots];
    HostHandle pathHdl;
    int32_t curSQLslot;
    char* sqlPtr;
    char sqlText[sqlTextSize];
    int16_t firstCall;
    ParmList* parmList;
    HostHandle reqBlk;
    char nodeArea[nodeAreaSize]; // 21 bytes, curNode (8), 11 bytes
    int32_t rowsUsed;
    int32_t rowsReturned;
    int32_t lenrem;
    int32_t predStart;
    int32_t predNext;
    int32_t predEnd;
    char whereText[whereTextSize];
    EnqplxEntry Enqplxs[maxENQP];
    int32_t curEnqpI;
    int32_t numEnqplexes;
    IdxTbl idxTbl;
    SORow* NASOR;
    DORow* NADOR;
    int32_t NAEnqpI;
    int32_t loopCtl;
};

// The current PlexHub name: 8 bytes inside nodeArea, no terminator.
inline char* curNode(workA* w) { return w->nodeArea + curNodeOffset; }

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(workA) == 64424);
static_assert(offsetof(workA, inodeRow) == 8);
static_assert(offsetof(workA, pxsmRow) == 72);
static_assert(offsetof(workA, inputRow) == 184);
static_assert(offsetof(workA, outputRow) == 536);
static_assert(offsetof(workA, SQLtbl) == 896);
static_assert(offsetof(workA, pathHdl) == 1048);
static_assert(offsetof(workA, curSQLslot) == 1056);
static_assert(offsetof(workA, sqlPtr) == 1060);
static_assert(offsetof(workA, sqlText) == 1064);
static_assert(offsetof(workA, firstCall) == 9256);
static_assert(offsetof(workA, parmList) == 9260);
static_assert(offsetof(workA, reqBlk) == 9264);
static_assert(offsetof(workA, nodeArea) == 9272);
static_assert(offsetof(workA, rowsUsed) == 9312);
static_assert(offsetof(workA, rowsReturned) == 9316);
static_assert(offsetof(workA, lenrem) == 9320);
static_assert(offsetof(workA, predStart) == 9324);
static_assert(offsetof(workA, predNext) == 9328);
static_assert(offsetof(workA, predEnd) == 9332);
static_assert(offsetof(workA, whereText) == 9336);
static_assert(offsetof(workA, Enqplxs) == 9660);
static_assert(offsetof(workA, curEnqpI) == 64124);
static_assert(offsetof(workA, numEnqplexes) == 64128);
static_assert(offsetof(workA, idxTbl) == 64132);
static_assert(offsetof(workA, NASOR) == 64408);
static_assert(offsetof(workA, NADOR) == 64412);
static_assert(offsetof(workA, NAEnqpI) == 64416);
static_assert(offsetof(workA, loopCtl) == 64420);
#endif

// The size requested from the host: 64424 on the 32-bit platform, the
// record's own size where references are wider.
inline constexpr int32_t workASize = static_cast<int32_t>(sizeof(workA));

} // namespace zrx
