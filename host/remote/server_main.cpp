// zrxhost: a module host. It runs one view module for the host that started
// it, talking over its standard input and output (protocol.h), and writes
// nothing else there. Built for Windows it runs ZRX.dll under Wine with the
// real loader and C runtime; built for Linux it runs any module file the
// same way, which tests the protocol against the host run in one process.
#include <cstdio>
#include <cstdlib>
#include <new>

#include "remote/channel.h"
#include "remote/module_server.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

int main() {
#if defined(_WIN32)
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
#else
    // A module host runs its module itself and never starts another.
    ::setenv("ZRX_MODULE_HOST_PROCESS", "1", 1);
#endif
    host::remote::Channel channel(0, 1);
    host::remote::reportFaultsTo(channel);
    try {
        return host::remote::serveModule(channel);
    } catch (const std::bad_alloc&) {
        host::remote::sendFailure(channel, "the module host ran out of memory");
    }
    return 3;
}
