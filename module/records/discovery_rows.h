// The rows that configuration discovery fetches: a node status row of
// INODESTS and a member row of MXCFSYS.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

struct InodeRow {
    char node[32];
    char thrunode[32];
};

struct PxsmRow {
    char sysname[8];
    int32_t monintvl;
    int32_t oprintvl;
    char status[16];
    char mvsvers[16];
    char originnode[32];
    char enqplex[32];
};

static_assert(sizeof(InodeRow) == 64);
static_assert(offsetof(InodeRow, thrunode) == 32);
static_assert(sizeof(PxsmRow) == 112);
static_assert(offsetof(PxsmRow, monintvl) == 8);
static_assert(offsetof(PxsmRow, oprintvl) == 12);
static_assert(offsetof(PxsmRow, status) == 16);
static_assert(offsetof(PxsmRow, mvsvers) == 32);
static_assert(offsetof(PxsmRow, originnode) == 48);
static_assert(offsetof(PxsmRow, enqplex) == 80);

} // namespace zrx
