// The program's side of the base library: the component registered by the
// module, and how often the session notifications were called.
#pragma once

#include <cstdint>

#include "zrx/registration.h"

namespace platform {

struct BaseLibraryCounters {
    uint64_t sessionStarts = 0; // ordinal 3
    uint64_t sessionEnds = 0;   // ordinal 4
    uint64_t registrations = 0; // ordinal 54
};

// The record handed over by the last registration, or null.
const zrx::RegistrationRecord* registeredComponent();
void clearRegisteredComponent();

// The status that the next registrations return (0 by default).
void setRegistrationStatus(int32_t status);

BaseLibraryCounters baseLibraryCounters();
void resetBaseLibraryCounters();

} // namespace platform
