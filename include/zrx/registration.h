// Registration: the chain of static records through which the host finds
// the module's entries after calling its export `cnt1entd`.
//   registration record -> component table -> entry vector -> entries
// The host takes the entries by their place in the entry vector.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

struct EntryVector {
    uint32_t count;       // 23
    uintptr_t words[23];  // see the offsets below
};

// Byte offsets of the entry vector's words on the 32-bit platform; the
// word index is (offset - 4) / 4.
namespace ev {
inline constexpr int Version = 0;      // +4: 130
inline constexpr int SessionStart = 3; // +16: enqmlcss
inline constexpr int Request = 5;      // +24: enqmlcpr
inline constexpr int SessionEnd = 8;   // +36: enqmlcts
inline constexpr int VersionFn = 11;   // +48: version routine
} // namespace ev

struct ComponentEntry {
    char name[36];             // "ZRXENQML", zero-filled
    const EntryVector* vector;
};

struct RegistrationRecord {
    char name[256];                // "ZRXENQML", zero-filled
    const ComponentEntry* table;
    uint32_t tableCount;           // 1
    void (*ordinal55)();           // stored for the base library, never called
};

struct BuildRecord {
    int32_t attributeCount;            // 18
    int32_t noticeCount;               // 3
    const char* const* attributes;     // date, time, then build descriptions
    const char* const* notices;
};

// The three entries take the request block handle as (id, object).
struct HostObject;
using EntryFn = int32_t (*)(uint32_t id, HostObject* obj);
using VersionFn = void (*)(const char** version, const char** date, const char** time);
using BuildInfoFn = void (*)(const BuildRecord** out);

inline constexpr uint32_t entryVectorWords = 23;
inline constexpr uint32_t moduleVersion = 130;

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(EntryVector) == 96);
static_assert(offsetof(EntryVector, words) == 4);
static_assert(4 + 4 * ev::Version == 4);
static_assert(4 + 4 * ev::SessionStart == 16);
static_assert(4 + 4 * ev::Request == 24);
static_assert(4 + 4 * ev::SessionEnd == 36);
static_assert(4 + 4 * ev::VersionFn == 48);
static_assert(sizeof(ComponentEntry) == 40);
static_assert(offsetof(ComponentEntry, vector) == 36);
static_assert(sizeof(RegistrationRecord) == 268);
static_assert(offsetof(RegistrationRecord, table) == 256);
static_assert(offsetof(RegistrationRecord, tableCount) == 260);
static_assert(offsetof(RegistrationRecord, ordinal55) == 264);
static_assert(sizeof(BuildRecord) == 16);
static_assert(offsetof(BuildRecord, noticeCount) == 4);
static_assert(offsetof(BuildRecord, attributes) == 8);
static_assert(offsetof(BuildRecord, notices) == 12);
#endif

} // namespace zrx
