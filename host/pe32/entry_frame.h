// Calls into a DLL's code through a frame of the host's own that restores
// the stack pointer and the registers the caller relies on when the call
// returns, whatever the callee did to them, as the Windows loader calls an
// entry point: a DllMain that returns with `ret` instead of `ret 12`, or a
// cdecl function declared stdcall, then leaves the host's stack as it was.
// It relies only on the callee keeping %ebp, as Windows does.
#pragma once

#include <cstdint>

extern "C" uint32_t zrxCallRestoringStack(const void* function, const uint32_t* arguments, uint32_t count);
