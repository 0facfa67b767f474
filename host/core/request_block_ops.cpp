// Request block and storage: the operations through which the module finds
// its parameter list, reads the caller's predicates, hands over its work area
// and rows, and obtains storage.
#include <cstring>

#include "core/session.h"
#include "core/session_objects.h"
#include "core/status.h"
#include "platform/called_from_module.h"
#include "zrx/items.h"

namespace host {

namespace {

bool injected(Session& s, Operation op, int32_t& status) {
    return s.host().intercepted(op, status);
}

ZRX_CALLED_FROM_MODULE
int32_t getRequestItem(uint32_t id, zrx::HostObject* obj, int32_t code, void* out) {
    RequestBlockObject* rb = nullptr;
    if (int32_t st = resolve(id, obj, rb)) return st;
    Session& s = *rb->session;
    int32_t st = 0;
    if (injected(s, Operation::GetRequestItem, st)) return st;
    if (!out) return status::badArgument;
    switch (code) {
    case zrx::item::ParmList:
        *static_cast<zrx::ParmList**>(out) = &s.parmList();
        return status::ok;
    case zrx::item::IndexItem:
        return s.nextPredicate(*static_cast<zrx::IndexItem*>(out)) ? status::ok
                                                                   : status::noMoreItems;
    default:
        s.host().log("GetRequestItem: unknown item code " + std::to_string(code));
        return status::unknownItem;
    }
}

ZRX_CALLED_FROM_MODULE
int32_t putRequestItem(uint32_t id, zrx::HostObject* obj, int32_t code, void* value) {
    RequestBlockObject* rb = nullptr;
    if (int32_t st = resolve(id, obj, rb)) return st;
    Session& s = *rb->session;
    int32_t st = 0;
    if (injected(s, Operation::PutRequestItem, st)) return st;
    switch (code) {
    case zrx::item::WorkArea:
        if (!value || !s.ownsRange(value, 1)) {
            s.host().log("PutRequestItem: work area is not storage of this session");
            return status::badArgument;
        }
        s.parmList().workArea = value;
        return status::ok;
    case zrx::item::OutputRow:
        if (!value || !s.ownsRange(value, sizeof(zrx::MentrenqRow))) {
            s.host().log("PutRequestItem: output row is not storage of this session");
            return status::badArgument;
        }
        s.acceptRow(value);
        return status::ok;
    default:
        s.host().log("PutRequestItem: unknown item code " + std::to_string(code));
        return status::unknownItem;
    }
}

int32_t getStorage(Operation op, uint32_t id, zrx::HostObject* obj, int32_t size, void** out) {
    StorageObject* so = nullptr;
    if (int32_t st = resolve(id, obj, so)) return st;
    Session& s = *so->session;
    int32_t st = 0;
    if (injected(s, op, st)) return st;
    return s.allocate(size, out);
}

ZRX_CALLED_FROM_MODULE
int32_t getViewStorage(uint32_t id, zrx::HostObject* obj, int32_t size, void** out) {
    return getStorage(Operation::GetViewStorage, id, obj, size, out);
}

ZRX_CALLED_FROM_MODULE
int32_t getSampleStorage(uint32_t id, zrx::HostObject* obj, int32_t size, void** out) {
    return getStorage(Operation::GetSampleStorage, id, obj, size, out);
}

constexpr zrx::OpTable requestBlockOps = zrx::OpTableBuilder<zrx::Table::RequestBlock>{}
                                             .put<zrx::slot::GetRequestItem>(&getRequestItem)
                                             .put<zrx::slot::PutRequestItem>(&putRequestItem)
                                             .table();
const zrx::DescriptorA requestBlockDesc = {{0, 0, 0}, &requestBlockOps};

constexpr zrx::OpTable storageOps = zrx::OpTableBuilder<zrx::Table::Storage>{}
                                        .put<zrx::slot::GetViewStorage>(&getViewStorage)
                                        .put<zrx::slot::GetSampleStorage>(&getSampleStorage)
                                        .table();

// The storage slots hold storage operations only.
static_assert(!zrx::FitsSlot<zrx::Table::Storage, zrx::slot::GetViewStorage, zrx::op::GetRequestItem>);
static_assert(!zrx::FitsSlot<zrx::Table::RequestBlock, zrx::slot::GetViewStorage, zrx::op::GetStorage>);
const zrx::DescriptorA storageDesc = {{0, 0, 0}, &storageOps};

} // namespace

const void* requestBlockDescriptor() { return &requestBlockDesc; }
const void* storageDescriptor() { return &storageDesc; }

RequestBlockObject::RequestBlockObject(Session* s) : ObjectBase(ObjectKind::RequestBlock, s) {
    abi.descriptor = requestBlockDescriptor();
}

StorageObject::StorageObject(Session* s) : ObjectBase(ObjectKind::Storage, s) {
    abi.descriptor = storageDescriptor();
}

} // namespace host
