// Host objects as the module sees them (the zrx::HostObject header: check
// value and descriptor) and as the host keeps them. Every operation looks its
// object up among the calling session's objects before touching it, so a
// pointer the module made up, one from another session or one already
// released is refused without being read.
#pragma once

#include <cstdint>

#include "core/operations.h"
#include "zrx/handle.h"

namespace host {

class Session;

struct ObjectBase {
    ObjectBase(ObjectKind kind, Session* session);
    virtual ~ObjectBase();
    ObjectBase(const ObjectBase&) = delete;
    ObjectBase& operator=(const ObjectBase&) = delete;

    zrx::HostObject abi{};   // what the module's handle designates
    ObjectKind kind;
    Session* session;
    uint32_t validId = 0;    // the id whose low 16 bits match the check value
    bool dropped = false;

    // A dropped plan, request or cursor stays allocated until its session
    // ends; its check value changes so that a stale handle fails the
    // module's check. A dropped path is freed at once (Session::discard).
    void markDropped();
    zrx::HostHandle handle(uint32_t id) { return zrx::HostHandle{id, &abi}; }

    // Kinds whose objects a host keeps when their session ends, to be made
    // again for a later session without going back to the allocator.
    static constexpr bool recyclable = false;
    // Lets go of what the object holds for its ended session (results,
    // other objects), keeping only buffers worth reusing.
    virtual void retire() {}

protected:
    // Makes a retired object new again for `session`, as its constructor
    // would (same kind, same descriptor).
    void renew(Session* owner);
};

// The live object `obj` designates among those of the session calling on
// this thread (Session::calling), or null: an object of another session, or
// one already released, is not found. The kind the caller expects only
// makes the search quicker; an object of another kind is found too.
ObjectBase* findObject(const zrx::HostObject* obj, ObjectKind expected);

// Resolves (id, object) to a live object of the given kind: status 0, or
// badHandle / wrongState without touching anything.
int32_t resolveObject(uint32_t id, zrx::HostObject* obj, ObjectKind kind, ObjectBase*& out);

template <class T>
int32_t resolve(uint32_t id, zrx::HostObject* obj, T*& out) {
    ObjectBase* base = nullptr;
    int32_t status = resolveObject(id, obj, T::objectKind, base);
    out = status == 0 ? static_cast<T*>(base) : nullptr;
    return status;
}

} // namespace host
