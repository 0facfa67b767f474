#include "core/host.h"

#include "core/host_object.h"

namespace host {

#if defined(__SANITIZE_ADDRESS__)
const std::size_t Host::storagePoolCapacity = 0;
const std::size_t Host::recycledPerKind = 0;
#else
const std::size_t Host::storagePoolCapacity = 4u << 20;
const std::size_t Host::recycledPerKind = 256;
#endif

Host::Host(DataSource* source) : source_(source) {}

Host::~Host() = default;

void Host::log(std::string_view message) const {
    if (log_) log_(message);
}

uint32_t Host::newId(uint16_t& check, bool valid) {
    ++serial_;
    // Check values vary from object to object so that a handle of one object
    // never passes for another's.
    uint32_t mixed = serial_ * 0x9E3779B1u;
    check = static_cast<uint16_t>((mixed >> 16) | 1u);
    uint16_t low = valid ? check : static_cast<uint16_t>(check ^ 0x5A5Au);
    return (serial_ << 16) | low;
}

} // namespace host

namespace host {

std::unique_ptr<unsigned char[]> Host::takeStorageBlock(std::size_t size) {
    auto found = pool_.find(size);
    if (found == pool_.end() || found->second.empty()) return std::unique_ptr<unsigned char[]>(new unsigned char[size]);
    std::unique_ptr<unsigned char[]> block = std::move(found->second.back());
    found->second.pop_back();
    pooledBytes_ -= size;
    return block;
}

void Host::giveBackStorageBlock(std::unique_ptr<unsigned char[]> block, std::size_t size) {
    if (!block || pooledBytes_ + size > storagePoolCapacity) return;
    pool_[size].push_back(std::move(block));
    pooledBytes_ += size;
}

} // namespace host

namespace host {

std::unique_ptr<ObjectBase> Host::takeRecycled(ObjectKind kind) {
    auto& kept = recycled_[static_cast<std::size_t>(kind)];
    if (kept.empty()) return nullptr;
    std::unique_ptr<ObjectBase> object = std::move(kept.back());
    kept.pop_back();
    return object;
}

void Host::recycle(std::unique_ptr<ObjectBase> object) {
    if (!object) return;
    switch (object->kind) {
    case ObjectKind::Plan:
    case ObjectKind::Request:
    case ObjectKind::Cursor: break;
    default: return;
    }
    auto& kept = recycled_[static_cast<std::size_t>(object->kind)];
    if (kept.size() >= recycledPerKind) return;
    object->retire();
    kept.push_back(std::move(object));
}

} // namespace host
