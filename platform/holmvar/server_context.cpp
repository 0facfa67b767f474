// HOLMVAR stand-in: hands out the data server context of the current session.
#include "platform/called_from_module.h"
#include "platform/server_context.h"
#include "zrx/platform.h"

namespace {
// Per thread: the module runs on the thread that called its entry, and
// sessions on other threads install contexts of their own meanwhile.
thread_local platform::ServerContext* current = nullptr;
} // namespace

namespace platform {
void setCurrentServerContext(ServerContext* context) { current = context; }
ServerContext* currentServerContext() { return current; }
} // namespace platform

extern "C" ZRX_CALLED_FROM_MODULE void* HOLMVAR_ServerContext() { return current; }
