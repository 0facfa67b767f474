#include "pe32/host_functions.h"

#include <vector>

#include "pe32/system_shims.h"
#include "zrx/platform.h"

namespace host::pe32 {

namespace {

template <class Fn>
uintptr_t address(Fn* fn) {
    return reinterpret_cast<uintptr_t>(fn);
}

// Every platform function is cdecl, as the module's declarations are.
const pe::HostFunction platformFunctions[] = {
    {"qvd.dll", 0, "TRX5_Sync", address(&TRX5_Sync)},
    {"qvd.dll", 0, "TRX5_Event", address(&TRX5_Event)},
    {"qvd.dll", 0, "TRX5_Printf", address(&TRX5_Printf)},
    {"zentrix.dll", 3, nullptr, address(&zentrix_NotifySessionStart)},
    {"zentrix.dll", 4, nullptr, address(&zentrix_NotifySessionEnd)},
    {"zentrix.dll", 54, nullptr, address(&zentrix_RegisterComponent)},
    {"zentrix.dll", 55, nullptr, address(&zentrix_ComponentService)},
    {"HOLMVAR.dll", 6, nullptr, address(&HOLMVAR_ServerContext)},
    {"PRUVANTE.dll", 1, nullptr, address(&PRUVANTE_CreatePath)},
};

} // namespace

std::span<const pe::HostFunction> hostFunctions() {
    static const std::vector<pe::HostFunction> all = [] {
        std::vector<pe::HostFunction> v(std::begin(platformFunctions), std::end(platformFunctions));
        for (auto part : {kernel32Functions(), msvcrtFunctions()}) v.insert(v.end(), part.begin(), part.end());
        return v;
    }();
    return all;
}

} // namespace host::pe32
