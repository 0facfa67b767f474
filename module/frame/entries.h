// The module's export and the three entries the host calls for a query.
#pragma once

#include <cstdint>

#include "zrx/handle.h"
#include "zrx/registration.h"

#if defined(_WIN32)
#define ZRX_EXPORT __declspec(dllexport)
#else
#define ZRX_EXPORT __attribute__((visibility("default")))
#endif

extern "C" ZRX_EXPORT int32_t cnt1entd();

namespace zrx {

int32_t enqmlcss(uint32_t id, HostObject* obj); // session start
int32_t enqmlcpr(uint32_t id, HostObject* obj); // request: one row per call
int32_t enqmlcts(uint32_t id, HostObject* obj); // session end

void versionInfo(const char** version, const char** date, const char** time);
void buildInfo(const BuildRecord** out);

// The static records handed to the host by cnt1entd. The DLL completes the
// registration record at process attach (noteBaseLibraryService).
#if defined(_WIN32)
extern RegistrationRecord registrationRecord;
void noteBaseLibraryService();
#else
extern const RegistrationRecord registrationRecord;
#endif
extern const EntryVector entryVector;
extern const BuildRecord buildRecord;

} // namespace zrx
