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
#include <type_traits>

namespace zrx {

using HostFn = void (*)();

struct SQLDA;
struct HostObject;
struct HostHandle;

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

// One entry of an operation table. The host writes, and the module reads,
// the member of the type that the slot holds (see SlotOp), so no function
// pointer is ever converted to another type; every member is one pointer.
union OpSlot {
    HostFn none;
    op::NoArgs noArgs;
    op::GetRequestItem item; // GetRequestItem and PutRequestItem
    op::GetStorage storage;
    op::CreateAccessPlan createAccessPlan;
    op::CreateRequest createRequest;
    op::GetInputSQLDA getInputSQLDA;
    op::OpenRequest openRequest;
    op::GetOutputSQLDA getOutputSQLDA;
    op::FetchRow fetchRow;
};

struct OpTable {
    OpSlot slot[16];
};

static_assert(sizeof(OpSlot) == sizeof(HostFn));
static_assert(sizeof(OpTable) == 16 * sizeof(HostFn));

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

// The kinds of host object whose operation tables the module calls.
enum class Table { RequestBlock, Storage, Path, Plan, Request, Cursor };

constexpr DescLayout layoutOf(Table t) {
    return t == Table::RequestBlock || t == Table::Storage ? DescLayout::A : DescLayout::B;
}

// The operation type of each slot of each table; void marks a slot that
// holds no operation.
template <Table T, int Slot>
struct SlotOp {
    using type = void;
};
#define ZRX_SLOT_OP(table, name, fn)                                                               \
    template <>                                                                                    \
    struct SlotOp<Table::table, slot::name> {                                                      \
        using type = op::fn;                                                                       \
    }
ZRX_SLOT_OP(RequestBlock, GetRequestItem, GetRequestItem);
ZRX_SLOT_OP(RequestBlock, PutRequestItem, PutRequestItem);
ZRX_SLOT_OP(Storage, GetViewStorage, GetStorage);
ZRX_SLOT_OP(Storage, GetSampleStorage, GetStorage);
ZRX_SLOT_OP(Path, DropPath, NoArgs);
ZRX_SLOT_OP(Path, CreateRequest, CreateRequest);
ZRX_SLOT_OP(Path, CreateAccessPlan, CreateAccessPlan);
ZRX_SLOT_OP(Plan, DropPlan, NoArgs);
ZRX_SLOT_OP(Request, DropRequest, NoArgs);
ZRX_SLOT_OP(Request, OpenRequest, OpenRequest);
ZRX_SLOT_OP(Request, CloseRequest, NoArgs);
ZRX_SLOT_OP(Request, GetInputSQLDA, GetInputSQLDA);
ZRX_SLOT_OP(Cursor, FetchRow, FetchRow);
ZRX_SLOT_OP(Cursor, GetOutputSQLDA, GetOutputSQLDA);
#undef ZRX_SLOT_OP

// The member of OpSlot that holds an operation of type Fn.
template <class Fn>
constexpr Fn OpSlot::*slotMember() {
    if constexpr (std::is_same_v<Fn, op::NoArgs>) return &OpSlot::noArgs;
    else if constexpr (std::is_same_v<Fn, op::GetRequestItem>) return &OpSlot::item;
    else if constexpr (std::is_same_v<Fn, op::GetStorage>) return &OpSlot::storage;
    else if constexpr (std::is_same_v<Fn, op::CreateAccessPlan>) return &OpSlot::createAccessPlan;
    else if constexpr (std::is_same_v<Fn, op::CreateRequest>) return &OpSlot::createRequest;
    else if constexpr (std::is_same_v<Fn, op::GetInputSQLDA>) return &OpSlot::getInputSQLDA;
    else if constexpr (std::is_same_v<Fn, op::OpenRequest>) return &OpSlot::openRequest;
    else if constexpr (std::is_same_v<Fn, op::GetOutputSQLDA>) return &OpSlot::getOutputSQLDA;
    else {
        static_assert(std::is_same_v<Fn, op::FetchRow>, "not an operation type");
        return &OpSlot::fetchRow;
    }
}

// A slot holding fn in the member of its type.
template <class Fn>
constexpr OpSlot makeSlot(Fn fn) {
    if constexpr (std::is_same_v<Fn, op::NoArgs>) return OpSlot{.noArgs = fn};
    else if constexpr (std::is_same_v<Fn, op::GetRequestItem>) return OpSlot{.item = fn};
    else if constexpr (std::is_same_v<Fn, op::GetStorage>) return OpSlot{.storage = fn};
    else if constexpr (std::is_same_v<Fn, op::CreateAccessPlan>) return OpSlot{.createAccessPlan = fn};
    else if constexpr (std::is_same_v<Fn, op::CreateRequest>) return OpSlot{.createRequest = fn};
    else if constexpr (std::is_same_v<Fn, op::GetInputSQLDA>) return OpSlot{.getInputSQLDA = fn};
    else if constexpr (std::is_same_v<Fn, op::OpenRequest>) return OpSlot{.openRequest = fn};
    else if constexpr (std::is_same_v<Fn, op::GetOutputSQLDA>) return OpSlot{.getOutputSQLDA = fn};
    else {
        static_assert(std::is_same_v<Fn, op::FetchRow>, "not an operation type");
        return OpSlot{.fetchRow = fn};
    }
}

// The operation in a slot, read as the type the slot holds.
template <Table T, int Slot>
typename SlotOp<T, Slot>::type slotFunction(const OpTable& table) {
    using Fn = typename SlotOp<T, Slot>::type;
    return table.slot[Slot].*slotMember<Fn>();
}

// Fills an operation table slot by slot; put accepts only a function of
// the type its slot holds, so a signature that differs between module and
// host does not compile.
template <Table T>
class OpTableBuilder {
public:
    template <int Slot>
    constexpr OpTableBuilder& put(typename SlotOp<T, Slot>::type fn) {
        static_assert(Slot >= 0 && Slot < 16);
        table_.slot[Slot] = makeSlot(fn);
        return *this;
    }
    constexpr OpTable table() const { return table_; }

private:
    OpTable table_{};
};

// Whether put accepts a function of type Fn for the slot.
template <Table T, int Slot, class Fn>
concept FitsSlot = requires(OpTableBuilder<T> b, Fn fn) { b.template put<Slot>(fn); };

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(HostHandle) == 8);
static_assert(offsetof(HostHandle, obj) == 4);
static_assert(offsetof(HostObject, check) == 4);
static_assert(offsetof(HostObject, descriptor) == 8);
static_assert(offsetof(DescriptorA, ops) == 12);
static_assert(offsetof(DescriptorB, ops) == 4);
#endif

} // namespace zrx
