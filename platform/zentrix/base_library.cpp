// Base library stand-in: component registration and session notifications.
#include <atomic>

#include "platform/base_library.h"
#include "platform/called_from_module.h"
#include "zrx/platform.h"

namespace {
std::atomic<const zrx::RegistrationRecord*> registered{nullptr};
std::atomic<int32_t> registrationStatus{0};
std::atomic<uint64_t> starts{0}, ends{0}, registrations{0};
} // namespace

namespace platform {

const zrx::RegistrationRecord* registeredComponent() { return registered.load(); }
void clearRegisteredComponent() { registered.store(nullptr); }
void setRegistrationStatus(int32_t status) { registrationStatus.store(status); }

BaseLibraryCounters baseLibraryCounters() {
    return {starts.load(), ends.load(), registrations.load()};
}

void resetBaseLibraryCounters() {
    starts = 0;
    ends = 0;
    registrations = 0;
}

} // namespace platform

extern "C" ZRX_CALLED_FROM_MODULE int32_t zentrix_NotifySessionStart() {
    ++starts;
    return 0;
}

extern "C" ZRX_CALLED_FROM_MODULE int32_t zentrix_NotifySessionEnd() {
    ++ends;
    return 0;
}

extern "C" ZRX_CALLED_FROM_MODULE int32_t zentrix_RegisterComponent(const zrx::RegistrationRecord* record,
                                                                   int32_t) {
    ++registrations;
    int32_t status = registrationStatus.load();
    if (status == 0 && record) registered.store(record);
    return record ? status : 16;
}

// Stored in the registration record for the base library's own use; the
// module never calls it.
extern "C" ZRX_CALLED_FROM_MODULE void zentrix_ComponentService() {}
