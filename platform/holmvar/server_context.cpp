// HOLMVAR stand-in: hands out the data server context of the current session.
#include <atomic>

#include "platform/called_from_module.h"
#include "platform/server_context.h"
#include "zrx/platform.h"

namespace {
std::atomic<platform::ServerContext*> current{nullptr};
}

namespace platform {
void setCurrentServerContext(ServerContext* context) { current.store(context); }
ServerContext* currentServerContext() { return current.load(); }
} // namespace platform

extern "C" ZRX_CALLED_FROM_MODULE void* HOLMVAR_ServerContext() { return current.load(); }
