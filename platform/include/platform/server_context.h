// The data server context that HOLMVAR hands the module and that PRUVANTE's
// CreatePath receives back: the program installs the context of the session
// whose entry it is about to call, on the thread that calls it.
#pragma once

#include <cstdint>

#include "zrx/handle.h"

namespace platform {

struct ServerContext {
    uint32_t eyeCatcher; // serverContextEye
    int32_t (*createPath)(ServerContext* self, const char* name, zrx::HostHandle* path);
    void* owner;
};

inline constexpr uint32_t serverContextEye = 0x53525652; // "SRVR"

void setCurrentServerContext(ServerContext* context);
ServerContext* currentServerContext();

} // namespace platform
