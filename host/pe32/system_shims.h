// The few KERNEL32 and msvcrt functions ZRX.dll imports, implemented by the
// host with their Windows conventions: stdcall for KERNEL32 (the callee
// removes the arguments), cdecl for msvcrt. Formatting uses the C library's
// printf, which agrees with msvcrt's for the conversions the module uses
// (%s, %d, %X with flags, width, precision and the h modifier).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <span>

#include "pe/bind_imports.h"

namespace host::pe32 {

// What DllMain passed to DisableThreadLibraryCalls, and how often.
struct Kernel32Calls {
    uint64_t disableThreadLibraryCalls = 0;
    void* lastModule = nullptr;
};
Kernel32Calls kernel32Calls();

// msvcrt's _vsnprintf: on truncation it writes `count` characters with no
// terminating NUL and returns -1 (or `count` when the text fits exactly
// without its NUL); a null buffer with count 0 gives the text's length.
int msvcrtVsnprintf(char* buffer, size_t count, const char* format, va_list args);
// msvcrt's _vscprintf: the length of the formatted text.
int msvcrtVscprintf(const char* format, va_list args);

// The shims as the functions of KERNEL32.dll and of msvcrt.dll.
std::span<const pe::HostFunction> kernel32Functions();
std::span<const pe::HostFunction> msvcrtFunctions();

} // namespace host::pe32
