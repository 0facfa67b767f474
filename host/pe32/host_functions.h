// Everything ZRX.dll may import, with the host's address of each: the
// platform stand-ins by the names and ordinals of their DLLs (the mapping is
// in include/zrx/platform.h), and the KERNEL32 and msvcrt shims.
#pragma once

#include <span>

#include "pe/bind_imports.h"

namespace host::pe32 {

std::span<const pe::HostFunction> hostFunctions();

} // namespace host::pe32
