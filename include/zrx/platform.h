// The platform functions the view module imports, and the static trace
// records it hands to the trace facility.
//
// The platform imports some functions by ordinal. ELF has no ordinals, so
// each one has a plain name here; the mapping, kept in this one place, is:
//   zentrix.dll  ordinal 3   zentrix_NotifySessionStart
//   zentrix.dll  ordinal 4   zentrix_NotifySessionEnd
//   zentrix.dll  ordinal 54  zentrix_RegisterComponent
//   zentrix.dll  ordinal 55  zentrix_ComponentService (stored, never called)
//   HOLMVAR.dll  ordinal 6   HOLMVAR_ServerContext
//   PRUVANTE.dll ordinal 1   PRUVANTE_CreatePath
// The trace facility (qvd.dll) exports by name: TRX5_Sync, TRX5_Event,
// TRX5_Printf.
//
// Calling convention: every function here, the module's export and entries,
// and the host's operation slots use the C default, cdecl (the caller pops
// the arguments; on 32-bit Windows the C name is the undecorated export
// name). TRX5_Event and TRX5_Printf take variable arguments, which only cdecl
// allows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zrx/handle.h"

namespace zrx {

struct CountedString {
    const char* text;
    uint32_t length;
};

// One record for the whole module.
struct TraceUnit {
    uint32_t word0;           // 185
    uint32_t word1;           // 0x8000
    CountedString strings[5]; // unit name, build date, build time, unit name, "*"
    uint32_t reserved[2];
};

// One record per routine. syncRef, flags and syncNo belong to the facility,
// which rewrites them in TRX5_Sync; the module only reads them.
struct TracePoint {
    const TraceUnit* unit;
    const char* name;
    uint32_t nameLength;
    uint32_t line;
    const uint32_t* syncRef;
    uint32_t classWord; // 0x200 for host entries, 0x800 for internal routines
    uint32_t flags;
    uint32_t syncNo;
    uint32_t reserved[2];
};

namespace traceflag {
inline constexpr uint32_t Detail = 0x01;
inline constexpr uint32_t Events = 0x40;
inline constexpr uint32_t Error = 0x80;
} // namespace traceflag

namespace eventkind {
inline constexpr int32_t Entry = 0;
inline constexpr int32_t ExitResult = 1;
inline constexpr int32_t Exit = 2;
} // namespace eventkind

struct RegistrationRecord;

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(CountedString) == 8);
static_assert(offsetof(CountedString, length) == 4);
static_assert(sizeof(TraceUnit) == 56);
static_assert(offsetof(TraceUnit, word1) == 4);
static_assert(offsetof(TraceUnit, strings) == 8);
static_assert(offsetof(TraceUnit, reserved) == 48);
static_assert(sizeof(TracePoint) == 40);
static_assert(offsetof(TracePoint, name) == 4);
static_assert(offsetof(TracePoint, nameLength) == 8);
static_assert(offsetof(TracePoint, line) == 12);
static_assert(offsetof(TracePoint, syncRef) == 16);
static_assert(offsetof(TracePoint, classWord) == 20);
static_assert(offsetof(TracePoint, flags) == 24);
static_assert(offsetof(TracePoint, syncNo) == 28);
static_assert(offsetof(TracePoint, reserved) == 32);
#endif

} // namespace zrx

// On Windows the platform functions live in other DLLs: declared as imports
// they are called through the import address table, and the address of
// ordinal 55 stored in the registration record is the base library's own,
// not a jump stub inside the module. The stand-ins of those DLLs define
// ZRX_PLATFORM_BUILD.
#if defined(_WIN32) && !defined(ZRX_PLATFORM_BUILD)
#define ZRX_PLATFORM_IMPORT __declspec(dllimport)
#else
#define ZRX_PLATFORM_IMPORT
#endif

extern "C" {
ZRX_PLATFORM_IMPORT uint32_t TRX5_Sync(zrx::TracePoint* tp);
// kind 1 is followed by the routine's 32-bit result.
ZRX_PLATFORM_IMPORT int32_t TRX5_Event(zrx::TracePoint* tp, int32_t line, int32_t kind, ...);
ZRX_PLATFORM_IMPORT int32_t TRX5_Printf(zrx::TracePoint* tp, int32_t line, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

ZRX_PLATFORM_IMPORT int32_t zentrix_NotifySessionStart();
ZRX_PLATFORM_IMPORT int32_t zentrix_NotifySessionEnd();
ZRX_PLATFORM_IMPORT int32_t zentrix_RegisterComponent(const zrx::RegistrationRecord* record, int32_t reserved);
ZRX_PLATFORM_IMPORT void zentrix_ComponentService();

ZRX_PLATFORM_IMPORT void* HOLMVAR_ServerContext();
ZRX_PLATFORM_IMPORT int32_t PRUVANTE_CreatePath(const char* name, void* server, zrx::HostHandle* path);
}
