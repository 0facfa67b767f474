// Summary and detail output rows: one SORow per resource of an Enqplex, one
// DORow per task of a resource. Both live in host view storage.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

struct DORow;

// SORow::SORFlag bits.
inline constexpr uint8_t noTrueOwnerSeen = 0x40;
inline constexpr uint8_t exclusiveTrueOwnerSeen = 0x20;

// DORow::trueowner values.
inline constexpr int8_t trueOwnerMark = static_cast<int8_t>(0x80);
inline constexpr int8_t waiterMark = 0x40;

inline constexpr int32_t maxOutputRows = 10000;

struct SORow {
    uint8_t SysRMask[8];
    uint8_t SORFlag;
    DORow* DOR1st;
    SORow* SORNxt;
    char majorname[8];
    char minorname[255];
    int32_t owntaskct;
    int32_t waittaskct;
    int32_t maxwaittm;
};

struct DORow {
    DORow* DORNxt;
    char owningas[8];
    char waitingas[8];
    char sysname[8];
    char plxname[8];
    int8_t swapped;
    int8_t type;
    uint16_t asid;
    int32_t waittime;
    char originnode[32];
    int8_t trueowner;
    int8_t enqpflag;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SORow) == 296);
static_assert(offsetof(SORow, SORFlag) == 8);
static_assert(offsetof(SORow, DOR1st) == 12);
static_assert(offsetof(SORow, SORNxt) == 16);
static_assert(offsetof(SORow, majorname) == 20);
static_assert(offsetof(SORow, minorname) == 28);
static_assert(offsetof(SORow, owntaskct) == 284);
static_assert(offsetof(SORow, waittaskct) == 288);
static_assert(offsetof(SORow, maxwaittm) == 292);
static_assert(sizeof(DORow) == 80);
static_assert(offsetof(DORow, owningas) == 4);
static_assert(offsetof(DORow, waitingas) == 12);
static_assert(offsetof(DORow, sysname) == 20);
static_assert(offsetof(DORow, plxname) == 28);
static_assert(offsetof(DORow, swapped) == 36);
static_assert(offsetof(DORow, type) == 37);
static_assert(offsetof(DORow, asid) == 38);
static_assert(offsetof(DORow, waittime) == 40);
static_assert(offsetof(DORow, originnode) == 44);
static_assert(offsetof(DORow, trueowner) == 76);
static_assert(offsetof(DORow, enqpflag) == 77);
#endif

} // namespace zrx
