// Every function a DLL run by this project's hosts may import: the platform
// libraries by the names and ordinals of include/zrx/platform.h, and the few
// KERNEL32 and msvcrt functions the 32-bit host shims. The addresses are 0;
// a host that runs the DLL itself pairs each with its own function. The
// 32-bit host and the Windows host under Wine both check a DLL against this
// one list, so a DLL is refused for the same import everywhere.
#pragma once

#include <span>

#include "pe/bind_imports.h"

namespace host::pe {

std::span<const HostFunction> providedImports();

} // namespace host::pe
