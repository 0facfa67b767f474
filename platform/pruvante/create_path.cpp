// PRUVANTE stand-in: creates a data server path through the context that
// HOLMVAR handed out.
#include "platform/called_from_module.h"
#include "platform/server_context.h"
#include "zrx/platform.h"

namespace {
constexpr int32_t noServer = 12; // no data server context to create the path in
}

extern "C" ZRX_CALLED_FROM_MODULE int32_t PRUVANTE_CreatePath(const char* name, void* server,
                                                              zrx::HostHandle* path) {
    auto* context = static_cast<platform::ServerContext*>(server);
    if (!name || !path || !context || context->eyeCatcher != platform::serverContextEye ||
        !context->createPath)
        return noServer;
    return context->createPath(context, name, path);
}
