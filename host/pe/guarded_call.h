// Calls into a loaded module's code with the faults of that code caught, as
// a data server protects itself from a view module: SIGSEGV, SIGBUS, SIGILL,
// SIGFPE or SIGTRAP raised by an instruction inside the module's image ends
// the call instead of the process. A fault anywhere else (the host's own
// code, a library the module called into) takes its normal course and is
// not hidden.
#pragma once

#include <cstdint>
#include <string>

namespace host::pe {

struct Fault {
    int signal = 0;
    uintptr_t address = 0; // of the faulting instruction
};

// Runs call(context) with faults of instructions in [begin, end) caught.
// True when it returned; false, with `fault` filled, when such a fault ended
// it. The module's frames between the fault and this call are abandoned,
// not unwound: `call` must hold no resources of the host when it enters the
// module. Calls nest and may run on any thread.
bool runGuarded(uintptr_t begin, uintptr_t end, void (*call)(void*), void* context, Fault& fault);

// "SIGSEGV", "SIGILL", ... or "signal N".
std::string signalName(int signal);

} // namespace host::pe
