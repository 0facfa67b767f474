// The input row: the contention row last fetched from MGLBLENQ or ENQSTUFF,
// in one layout so that the merge need not know which query it came from.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

struct InputRow {
    char majorname[8];
    char minorname[255];
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
    int8_t enqpflag;
    char plxname[8];
};

static_assert(sizeof(InputRow) == 352);
static_assert(offsetof(InputRow, minorname) == 8);
static_assert(offsetof(InputRow, owntaskct) == 264);
static_assert(offsetof(InputRow, waittaskct) == 268);
static_assert(offsetof(InputRow, maxwaittm) == 272);
static_assert(offsetof(InputRow, owningas) == 276);
static_assert(offsetof(InputRow, waitingas) == 284);
static_assert(offsetof(InputRow, sysname) == 292);
static_assert(offsetof(InputRow, swapped) == 300);
static_assert(offsetof(InputRow, type) == 301);
static_assert(offsetof(InputRow, asid) == 302);
static_assert(offsetof(InputRow, waittime) == 304);
static_assert(offsetof(InputRow, report) == 308);
static_assert(offsetof(InputRow, originnode) == 311);
static_assert(offsetof(InputRow, enqpflag) == 343);
static_assert(offsetof(InputRow, plxname) == 344);

} // namespace zrx
