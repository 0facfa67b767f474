// Bounded little-endian reads over the bytes of a file. Every offset and
// length is 64-bit, so that offset + length cannot wrap on a 32-bit host;
// a read outside the bytes fails instead of touching them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace host::pe {

class ByteView {
public:
    ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint64_t size() const { return size_; }
    bool contains(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    bool u16(uint64_t offset, uint16_t& out) const {
        if (!contains(offset, 2)) return false;
        out = static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8);
        return true;
    }
    bool u32(uint64_t offset, uint32_t& out) const {
        if (!contains(offset, 4)) return false;
        out = static_cast<uint32_t>(data_[offset]) | static_cast<uint32_t>(data_[offset + 1]) << 8 |
              static_cast<uint32_t>(data_[offset + 2]) << 16 | static_cast<uint32_t>(data_[offset + 3]) << 24;
        return true;
    }
    // The NUL-terminated text at `offset`, of at most `maxLength` characters
    // before the NUL, which must lie within the first `limit` bytes. At most
    // maxLength + 1 bytes are looked at.
    enum class Text { Ok, TooLong, Unterminated };
    Text text(uint64_t offset, uint64_t limit, size_t maxLength, std::string_view& out) const {
        if (limit > size_) limit = size_;
        if (offset >= limit) return Text::Unterminated;
        const uint64_t room = limit - offset;
        const bool roomy = room > maxLength;
        const size_t scan = roomy ? maxLength + 1 : static_cast<size_t>(room);
        const void* nul = std::memchr(data_ + offset, 0, scan);
        if (!nul) return roomy ? Text::TooLong : Text::Unterminated;
        out = std::string_view(reinterpret_cast<const char*>(data_ + offset),
                               static_cast<size_t>(static_cast<const uint8_t*>(nul) - (data_ + offset)));
        return Text::Ok;
    }
    const uint8_t* at(uint64_t offset) const { return data_ + offset; }

private:
    const uint8_t* data_;
    size_t size_;
};

} // namespace host::pe
