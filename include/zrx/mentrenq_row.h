// The MENTRENQ output row: the 360-byte record the module hands to the host
// with PutRequestItem item 2, one per request call. Character fields are
// blank-padded without terminator; integers are in native byte order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

struct MentrenqRow {
    char majorname[8];
    char minorname[255];
    uint8_t padding;      // never written by the composition
    int32_t owntaskct;
    int32_t waittaskct;
    int32_t maxwaittm;
    char owningas[8];
    char waitingas[8];
    char sysname[8];
    int8_t swapped;
    int8_t type;
    uint16_t asid;
    int32_t waittime;
    char report[3];
    char originnode[32];
    char plxname[8];
    char enqplex[8];
    uint8_t trueowner;    // 0x80 true owner, 0x40 waiter, 0 other
};

static_assert(sizeof(MentrenqRow) == 360);
static_assert(offsetof(MentrenqRow, padding) == 263);
static_assert(offsetof(MentrenqRow, owntaskct) == 264);
static_assert(offsetof(MentrenqRow, waittaskct) == 268);
static_assert(offsetof(MentrenqRow, maxwaittm) == 272);
static_assert(offsetof(MentrenqRow, owningas) == 276);
static_assert(offsetof(MentrenqRow, waitingas) == 284);
static_assert(offsetof(MentrenqRow, sysname) == 292);
static_assert(offsetof(MentrenqRow, swapped) == 300);
static_assert(offsetof(MentrenqRow, type) == 301);
static_assert(offsetof(MentrenqRow, asid) == 302);
static_assert(offsetof(MentrenqRow, waittime) == 304);
static_assert(offsetof(MentrenqRow, report) == 308);
static_assert(offsetof(MentrenqRow, originnode) == 311);
static_assert(offsetof(MentrenqRow, plxname) == 343);
static_assert(offsetof(MentrenqRow, enqplex) == 351);
static_assert(offsetof(MentrenqRow, trueowner) == 359);

} // namespace zrx
