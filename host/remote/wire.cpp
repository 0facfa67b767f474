#include "remote/wire.h"

#include <cstring>

namespace host::remote {

void Writer::u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
}

void Writer::u32(uint32_t v) {
    u16(static_cast<uint16_t>(v));
    u16(static_cast<uint16_t>(v >> 16));
}

void Writer::u64(uint64_t v) {
    u32(static_cast<uint32_t>(v));
    u32(static_cast<uint32_t>(v >> 32));
}

void Writer::text(std::string_view v) {
    u32(static_cast<uint32_t>(v.size()));
    raw(v.data(), v.size());
}

void Writer::raw(const void* data, size_t size) {
    if (size == 0) return;
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
}

void Writer::blob(const std::vector<uint8_t>& v) {
    u32(static_cast<uint32_t>(v.size()));
    raw(v.data(), v.size());
}

bool Reader::take(size_t n) {
    if (!ok_ || n > size_ - at_) {
        ok_ = false;
        return false;
    }
    return true;
}

uint8_t Reader::u8() {
    if (!take(1)) return 0;
    return data_[at_++];
}

uint16_t Reader::u16() {
    const uint16_t low = u8();
    return static_cast<uint16_t>(low | u8() << 8);
}

uint32_t Reader::u32() {
    const uint32_t low = u16();
    return low | static_cast<uint32_t>(u16()) << 16;
}

uint64_t Reader::u64() {
    const uint64_t low = u32();
    return low | static_cast<uint64_t>(u32()) << 32;
}

std::string Reader::text() {
    const uint32_t n = u32();
    if (!take(n)) return {};
    std::string out(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return out;
}

std::vector<uint8_t> Reader::blob() {
    const uint32_t n = u32();
    if (!take(n)) return {};
    std::vector<uint8_t> out(data_ + at_, data_ + at_ + n);
    at_ += n;
    return out;
}

bool Reader::raw(void* out, size_t size) {
    if (!take(size)) return false;
    if (size == 0) return true; // `out` may be null then
    std::memcpy(out, data_ + at_, size);
    at_ += size;
    return true;
}

uint32_t Reader::count(size_t itemBytes) {
    const uint32_t n = u32();
    if (ok_ && itemBytes != 0 && n > (size_ - at_) / itemBytes) {
        ok_ = false;
        return 0;
    }
    return ok_ ? n : 0;
}

} // namespace host::remote
