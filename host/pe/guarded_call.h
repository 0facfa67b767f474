// Calls into a loaded module's code with the faults of that code caught, as
// a data server protects itself from a view module: SIGSEGV, SIGBUS, SIGILL,
// SIGFPE or SIGTRAP raised by an instruction inside the module's image ends
// the call instead of the process; so does a call from the module's code to
// an address where no code is (the fault then comes at that address, and the
// return address the call left on the stack lies in the image). A fault
// anywhere else (the host's own code, a library the module called into)
// takes its normal course and is not hidden.
#pragma once

#include <cstdint>
#include <string>

namespace host::pe {

struct Fault {
    int signal = 0;
    uintptr_t address = 0; // of the faulting instruction, or of the call that led nowhere
    uintptr_t calledNowhere = 0; // the address such a call went to, else 0
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
