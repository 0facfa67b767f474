#include "core/host_object.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "core/status.h"

namespace host {

namespace {

// Split by address, so that sessions on several threads seldom wait for
// one another to look up their objects.
struct Shard {
    std::mutex mutex;
    std::unordered_map<const zrx::HostObject*, ObjectBase*> live;
};

constexpr std::size_t shardCount = 64;

Shard& registry(const zrx::HostObject* obj) {
    static Shard shards[shardCount];
    const auto address = reinterpret_cast<std::uintptr_t>(obj);
    return shards[(address >> 6 ^ address >> 12) % shardCount];
}

} // namespace

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

void registerObject(ObjectBase* object) {
    Shard& r = registry(&object->abi);
    std::lock_guard lock(r.mutex);
    r.live[&object->abi] = object;
}

void unregisterObject(ObjectBase* object) {
    Shard& r = registry(&object->abi);
    std::lock_guard lock(r.mutex);
    r.live.erase(&object->abi);
}

ObjectBase* findObject(const zrx::HostObject* obj) {
    Shard& r = registry(obj);
    std::lock_guard lock(r.mutex);
    auto it = r.live.find(obj);
    return it == r.live.end() ? nullptr : it->second;
}

int32_t resolveObject(uint32_t id, zrx::HostObject* obj, ObjectKind kind, ObjectBase*& out) {
    out = nullptr;
    ObjectBase* base = obj ? findObject(obj) : nullptr;
    if (!base || base->kind != kind) return status::badHandle;
    if (base->dropped) return status::badHandle;
    if (base->abi.check != static_cast<uint16_t>(id & 0xFFFFu)) return status::badHandle;
    out = base;
    return status::ok;
}

} // namespace host
