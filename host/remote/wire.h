// The bytes of the messages between the host and a module host process:
// little-endian integers and length-prefixed byte strings, appended by a
// Writer and taken by a Reader that checks every length against what is
// left, so a damaged message is refused, never read past.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host::remote {

class Writer {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void flag(bool v) { u8(v ? 1 : 0); }
    void text(std::string_view v);
    void raw(const void* data, size_t size);
    void blob(const std::vector<uint8_t>& v);
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit Reader(const std::vector<uint8_t>& bytes) : Reader(bytes.data(), bytes.size()) {}

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    uint64_t u64();
    int32_t i32() { return static_cast<int32_t>(u32()); }
    bool flag() { return u8() != 0; }
    std::string text();
    std::vector<uint8_t> blob();
    // `size` bytes into `out`; false (and nothing written) when fewer are left.
    bool raw(void* out, size_t size);
    // A count of items that each take at least `itemBytes`: more than are
    // left fails the reader instead of making a caller reserve for them.
    uint32_t count(size_t itemBytes);

    // False once any read asked for more than was left; every read after
    // that gives zeros.
    bool ok() const { return ok_; }
    bool atEnd() const { return ok_ && at_ == size_; }

private:
    bool take(size_t n);
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

} // namespace host::remote
