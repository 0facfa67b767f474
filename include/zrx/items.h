// Request items, the parameter list and index items: what the request block
// hands the module and what the module hands back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zrx/handle.h"
#include "zrx/mentrenq_table.h"

namespace zrx {

namespace item {
inline constexpr int32_t OutputRow = 2;  // PutRequestItem: one MENTRENQ row
inline constexpr int32_t WorkArea = 3;   // PutRequestItem: the session's work area
inline constexpr int32_t IndexItem = 19; // GetRequestItem: next index predicate
inline constexpr int32_t ParmList = 23;  // GetRequestItem: the parameter list
} // namespace item

// The host's parameter list of a session. Only three words are the module's
// business; everything else belongs to the host.
//   +24  work area reference (kept by the host after PutRequestItem item 3)
//   +96  reference to the storage handle
//   +172 reference to a NUL-terminated node text
struct ParmList {
    uint8_t host0[24];
    void* workArea;
    uint8_t host1[96 - 24 - sizeof(void*)];
    HostHandle* storage;
    uint8_t host2[172 - 96 - sizeof(void*)];
    const char* nodeText;
    uint8_t host3[16];
};

// What GetRequestItem item 19 writes: one index predicate.
struct IndexItem {
    const IndexOp* op; // any 16-bit code: the host need not keep to IndexOp's names
    const char* column;
    const char* value;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(ParmList, workArea) == 24);
static_assert(offsetof(ParmList, storage) == 96);
static_assert(offsetof(ParmList, nodeText) == 172);
static_assert(sizeof(IndexItem) == 12);
static_assert(offsetof(IndexItem, column) == 4);
static_assert(offsetof(IndexItem, value) == 8);
#endif

} // namespace zrx
