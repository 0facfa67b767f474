#include "core/host_object.h"

#include <cstdint>

#include "core/session.h"
#include "core/status.h"

namespace host {

ObjectBase::ObjectBase(ObjectKind k, Session* s) : kind(k), session(s) {}

ObjectBase::~ObjectBase() = default;

void ObjectBase::renew(Session* owner) {
    session = owner;
    validId = 0;
    dropped = false;
    abi.check = 0;
}

void ObjectBase::markDropped() {
    dropped = true;
    abi.check = static_cast<uint16_t>(~validId & 0xFFFFu);
}

namespace {
inline ObjectBase* findCalling(const zrx::HostObject* obj, ObjectKind expected) {
    Session* session = Session::calling();
    return session ? session->find(obj, expected) : nullptr;
}
} // namespace

ObjectBase* findObject(const zrx::HostObject* obj, ObjectKind expected) { return findCalling(obj, expected); }

int32_t resolveObject(uint32_t id, zrx::HostObject* obj, ObjectKind kind, ObjectBase*& out) {
    out = nullptr;
    ObjectBase* base = obj ? findCalling(obj, kind) : nullptr;
    if (!base || base->kind != kind) return status::badHandle;
    if (base->dropped) return status::badHandle;
    if (base->abi.check != static_cast<uint16_t>(id & 0xFFFFu)) return status::badHandle;
    out = base;
    return status::ok;
}

} // namespace host
