// msvcrt.dll as the module sees it: string functions and bounded formatting,
// cdecl, with the Microsoft C runtime's results where they differ from C99.
#include <cstdio>
#include <cstring>
#include <string>

#include "pe32/system_shims.h"
#include "platform/called_from_module.h"

namespace host::pe32 {

int msvcrtVscprintf(const char* format, va_list args) {
    if (!format) return -1;
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    return length;
}

int msvcrtVsnprintf(char* buffer, size_t count, const char* format, va_list args) {
    const int length = msvcrtVscprintf(format, args);
    if (length < 0) return -1;
    if (!buffer) return count == 0 ? length : -1;
    const size_t needed = static_cast<size_t>(length);
    if (needed < count) {
        std::vsnprintf(buffer, count, format, args);
        return length;
    }
    // Too long for the buffer with its NUL: the first `count` characters, no NUL.
    std::string text(needed + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    std::memcpy(buffer, text.data(), count);
    return needed == count ? length : -1;
}

namespace {

// The module's calls, realigning the stack before the C library runs.
ZRX_CALLED_FROM_MODULE int vsnprintfShim(char* b, size_t n, const char* f, va_list a) {
    return msvcrtVsnprintf(b, n, f, a);
}
ZRX_CALLED_FROM_MODULE int vscprintfShim(const char* f, va_list a) { return msvcrtVscprintf(f, a); }
ZRX_CALLED_FROM_MODULE const void* memchrShim(const void* s, int c, size_t n) { return std::memchr(s, c, n); }
ZRX_CALLED_FROM_MODULE int memcmpShim(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n); }
ZRX_CALLED_FROM_MODULE void* memcpyShim(void* d, const void* s, size_t n) { return std::memcpy(d, s, n); }
ZRX_CALLED_FROM_MODULE void* memsetShim(void* d, int c, size_t n) { return std::memset(d, c, n); }
ZRX_CALLED_FROM_MODULE int strcmpShim(const char* a, const char* b) { return std::strcmp(a, b); }
ZRX_CALLED_FROM_MODULE size_t strlenShim(const char* s) { return std::strlen(s); }
ZRX_CALLED_FROM_MODULE int strncmpShim(const char* a, const char* b, size_t n) { return std::strncmp(a, b, n); }
ZRX_CALLED_FROM_MODULE char* strncpyShim(char* d, const char* s, size_t n) { return std::strncpy(d, s, n); }

template <class Fn>
uintptr_t address(Fn* fn) {
    return reinterpret_cast<uintptr_t>(fn);
}

} // namespace

std::span<const pe::HostFunction> msvcrtFunctions() {
    static const pe::HostFunction functions[] = {
        {"msvcrt.dll", 0, "_vscprintf", address(&vscprintfShim)},
        {"msvcrt.dll", 0, "_vsnprintf", address(&vsnprintfShim)},
        {"msvcrt.dll", 0, "memchr", address(&memchrShim)},
        {"msvcrt.dll", 0, "memcmp", address(&memcmpShim)},
        {"msvcrt.dll", 0, "memcpy", address(&memcpyShim)},
        {"msvcrt.dll", 0, "memset", address(&memsetShim)},
        {"msvcrt.dll", 0, "strcmp", address(&strcmpShim)},
        {"msvcrt.dll", 0, "strlen", address(&strlenShim)},
        {"msvcrt.dll", 0, "strncmp", address(&strncmpShim)},
        {"msvcrt.dll", 0, "strncpy", address(&strncpyShim)},
    };
    return functions;
}

} // namespace host::pe32
