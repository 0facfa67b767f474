// Host handles and host objects: how the view module reaches every service of
// the data server. Shared by the module (caller) and the host (implementer).
//
// Layout on the 32-bit platform:
//   host handle      +0 id (32-bit)          +4 object reference
//   host object      +4 check value (16-bit)  +8 descriptor reference
//   descriptor A     +12 operation table      (request block, storage)
//   descriptor B     +4  operation table      (path, plan, request, cursor)
// A handle is valid when the object's check value equals the low 16 bits of
// the id. Operation tables are arrays of functions called as
// slot(id, object, further arguments...) returning a 32-bit status.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

using HostFn = void (*)();

struct OpTable {
    HostFn slot[16];
};

struct HostObject {
    uint32_t kind;          // the host's own tag; the module never reads it
    uint16_t check;         // must equal the low 16 bits of the handle id
    uint16_t reserved;
    const void* descriptor; // DescriptorA or DescriptorB, by the object's kind
};

// Request block and storage objects.
struct DescriptorA {
    uint32_t reserved[3];
    const OpTable* ops;
};

// Path, plan, request and cursor objects.
struct DescriptorB {
    uint32_t reserved;
    const OpTable* ops;
};

struct HostHandle {
    uint32_t id;
    HostObject* obj;
};

// Which descriptor layout an object kind uses.
enum class DescLayout { A, B };

// Operation slots, by object kind.
namespace slot {
inline constexpr int GetRequestItem = 3;   // request block
inline constexpr int PutRequestItem = 4;   // request block
inline constexpr int GetViewStorage = 5;   // storage
inline constexpr int GetSampleStorage = 6; // storage
inline constexpr int DropPath = 1;         // path
inline constexpr int CreateRequest = 6;    // path
inline constexpr int CreateAccessPlan = 7; // path
inline constexpr int DropPlan = 1;         // plan
inline constexpr int DropRequest = 1;      // request
inline constexpr int OpenRequest = 6;      // request
inline constexpr int CloseRequest = 7;     // request
inline constexpr int GetInputSQLDA = 8;    // request
inline constexpr int FetchRow = 7;         // cursor
inline constexpr int GetOutputSQLDA = 9;   // cursor
} // namespace slot

struct SQLDA;

// Signatures of the operations, as the module calls them and the host
// implements them.
namespace op {
using GetRequestItem = int32_t (*)(uint32_t, HostObject*, int32_t code, void* out);
using PutRequestItem = int32_t (*)(uint32_t, HostObject*, int32_t code, void* value);
using GetStorage = int32_t (*)(uint32_t, HostObject*, int32_t size, void** out);
using NoArgs = int32_t (*)(uint32_t, HostObject*);
using CreateAccessPlan = int32_t (*)(uint32_t, HostObject*, const char* sql, HostHandle* plan);
using CreateRequest = int32_t (*)(uint32_t, HostObject*, HostHandle* req, int32_t, int32_t, int32_t,
                                  int32_t, int32_t planCnt, HostHandle* plans,
                                  HostHandle** cursorLst, int32_t);
using GetInputSQLDA = int32_t (*)(uint32_t, HostObject*, void** inSQLDA);
using OpenRequest = int32_t (*)(uint32_t, HostObject*, void* inSQLDA);
using GetOutputSQLDA = int32_t (*)(uint32_t, HostObject*, SQLDA** outSQLDA);
using FetchRow = int32_t (*)(uint32_t, HostObject*, SQLDA* outSQLDA);
} // namespace op

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(HostHandle) == 8);
static_assert(offsetof(HostHandle, obj) == 4);
static_assert(offsetof(HostObject, check) == 4);
static_assert(offsetof(HostObject, descriptor) == 8);
static_assert(offsetof(DescriptorA, ops) == 12);
static_assert(offsetof(DescriptorB, ops) == 4);
#endif

} // namespace zrx
