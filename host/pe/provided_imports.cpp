#include "pe/provided_imports.h"

namespace host::pe {

std::span<const HostFunction> providedImports() {
    static const HostFunction functions[] = {
        {"qvd.dll", 0, "TRX5_Sync", 0},
        {"qvd.dll", 0, "TRX5_Event", 0},
        {"qvd.dll", 0, "TRX5_Printf", 0},
        {"zentrix.dll", 3, nullptr, 0},
        {"zentrix.dll", 4, nullptr, 0},
        {"zentrix.dll", 54, nullptr, 0},
        {"zentrix.dll", 55, nullptr, 0},
        {"HOLMVAR.dll", 6, nullptr, 0},
        {"PRUVANTE.dll", 1, nullptr, 0},
        {"KERNEL32.dll", 0, "DisableThreadLibraryCalls", 0},
        {"msvcrt.dll", 0, "_vscprintf", 0},
        {"msvcrt.dll", 0, "_vsnprintf", 0},
        {"msvcrt.dll", 0, "memchr", 0},
        {"msvcrt.dll", 0, "memcmp", 0},
        {"msvcrt.dll", 0, "memcpy", 0},
        {"msvcrt.dll", 0, "memset", 0},
        {"msvcrt.dll", 0, "strcmp", 0},
        {"msvcrt.dll", 0, "strlen", 0},
        {"msvcrt.dll", 0, "strncmp", 0},
        {"msvcrt.dll", 0, "strncpy", 0},
    };
    return functions;
}

} // namespace host::pe
