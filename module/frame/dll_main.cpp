// Process attach on the platform that loads the module as a DLL: the module
// keeps no per-thread state, so it asks not to hear of thread attach and
// detach, and it completes its registration record. The DLL is linked
// without the C runtime's start-up code, so this is its entry point and the
// only code that runs at load. ELF shared objects get no such
// notifications, so Linux needs nothing here.
#if defined(_WIN32)
#include <windows.h>

#include "frame/entries.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        zrx::noteBaseLibraryService();
    }
    return TRUE;
}
#endif
