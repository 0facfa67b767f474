// The input row: the contention row last fetched from MGLBLENQ or ENQSTUFF,
// in one layout so that the merge need not know which query it came from.
#pragma once

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

} // namespace zrx
