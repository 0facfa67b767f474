// KERNEL32.dll as the module sees it: DisableThreadLibraryCalls, which DllMain
// calls at process attach. The host runs no threads into the module, so
// there is nothing to disable; the call is recorded.
#include <atomic>

#include "pe32/system_shims.h"
#include "platform/called_from_module.h"

namespace host::pe32 {

namespace {
std::atomic<uint64_t> disableCalls{0};
std::atomic<void*> disabledModule{nullptr};
} // namespace

Kernel32Calls kernel32Calls() { return {disableCalls.load(), disabledModule.load()}; }

namespace {
ZRX_CALLED_FROM_MODULE __attribute__((stdcall)) int32_t disableThreadLibraryCalls(void* module) {
    ++disableCalls;
    disabledModule.store(module);
    return 1; // TRUE
}
} // namespace

std::span<const pe::HostFunction> kernel32Functions() {
    static const pe::HostFunction functions[] = {
        {"KERNEL32.dll", 0, "DisableThreadLibraryCalls", reinterpret_cast<uintptr_t>(&disableThreadLibraryCalls)},
    };
    return functions;
}

} // namespace host::pe32
