// One slot of the SQL table: a query with its plan, request and cursor.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zrx/handle.h"
#include "zrx/sqlda.h"

namespace zrx {

// Bits of SqlSlot::state.
namespace slotstate {
inline constexpr uint32_t Wanted = 0x01;    // defined, createReq is to prepare it
inline constexpr uint32_t Planned = 0x02;   // planHdl valid
inline constexpr uint32_t Requested = 0x04; // reqhdl valid
inline constexpr uint32_t Open = 0x08;      // curHdl valid, rows can be fetched
inline constexpr uint32_t Defined = 0x80;
inline constexpr uint32_t Prepared = Planned | Requested | Open;
} // namespace slotstate

struct SqlSlot {
    char tblName[24];
    int32_t colCnt;
    uint32_t state;
    const char* sqlStmt;
    HostHandle planHdl;
    HostHandle reqhdl;
    void* inSQLDA;
    SQLDA* outSQLDA;
    HostHandle curHdl;
    HostHandle* cursorLst;
    int32_t planCnt;
};

inline constexpr int sqlSlots = 2;

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SqlSlot) == 76);
static_assert(offsetof(SqlSlot, colCnt) == 24);
static_assert(offsetof(SqlSlot, state) == 28);
static_assert(offsetof(SqlSlot, sqlStmt) == 32);
static_assert(offsetof(SqlSlot, planHdl) == 36);
static_assert(offsetof(SqlSlot, reqhdl) == 44);
static_assert(offsetof(SqlSlot, inSQLDA) == 52);
static_assert(offsetof(SqlSlot, outSQLDA) == 56);
static_assert(offsetof(SqlSlot, curHdl) == 60);
static_assert(offsetof(SqlSlot, cursorLst) == 68);
static_assert(offsetof(SqlSlot, planCnt) == 72);
#endif

} // namespace zrx
