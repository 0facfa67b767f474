// Where this host cannot map a Windows DLL itself (any host but 32-bit x86
// Linux), it runs it in the Windows module host zrxhost.exe under Wine:
// Wine's loader binds its imports by ordinal to the stand-in platform DLLs
// beside zrxhost.exe, calls its DllMain, and msvcrt is Wine's own.
//
//   MENTRENQ_WINE          the wine program (default: wine on PATH)
//   MENTRENQ_WINDOWS_HOST  zrxhost.exe (default: lib/windows-host/ beside
//                          the folder of this program)
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/module.h"
#include "core/module_process.h"

namespace host::remote {

// The module host running the DLL of `bytes` (checked already), shared by
// every load of the same bytes in this process. nullptr with one line in
// `error` (without the file's name) when Wine or the Windows host is
// missing or does not run here, or the DLL was refused there. Throws
// ModuleFailure when the DLL faulted while loading.
std::shared_ptr<ModuleProcess> windowsHostFor(const std::vector<uint8_t>& bytes, const std::string& shown,
                                              std::string& error);

// Whether the Windows module host can run here; false with one line that
// says what is missing.
bool windowsHostRuns(std::string& missing);

// Loads the module file `path` into a module host started by `command`
// (the Linux build of zrxhost, after an emulator where it needs one), as
// Module::load does in this process.
std::unique_ptr<Module> loadInModuleHost(const std::vector<std::string>& command, const std::string& path,
                                         std::string& error);

} // namespace host::remote
