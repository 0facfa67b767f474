#include "pe/guarded_call.h"

#include <signal.h>
#include <ucontext.h>

#include <csetjmp>
#include <cstdlib>
#include <mutex>

namespace host::pe {

namespace {

constexpr int caughtSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP};

struct Frame {
    sigjmp_buf jump;
    uintptr_t begin = 0, end = 0;
    uintptr_t stackTop = 0; // the stack pointer when the call began
    Fault fault;
    Frame* outer = nullptr;
};

// How far below the call's start the module's stack may reach and still be
// read: every page between is one the module's own frames went through.
constexpr uintptr_t stackWindow = 8u << 20;

thread_local Frame* innermost = nullptr;

struct sigaction previous[NSIG];
std::once_flag installed;

uintptr_t instructionAddress(void* context) {
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__i386__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__x86_64__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<uintptr_t>(uc->uc_mcontext.pc);
#else
    (void)uc;
    return 0;
#endif
}

// The word on top of the stack at the fault: where a call that just jumped
// nowhere would return to. 0 where it cannot be read safely.
uintptr_t returnAddress(void* context, const Frame& frame) {
#if defined(__i386__) || defined(__x86_64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__i386__)
    const auto sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_ESP]);
#else
    const auto sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#endif
    if (sp > frame.stackTop || frame.stackTop - sp > stackWindow || sp % sizeof(uintptr_t) != 0) return 0;
    return *reinterpret_cast<const uintptr_t*>(sp);
#else
    (void)context;
    (void)frame;
    return 0;
#endif
}

void onFault(int signal, siginfo_t* info, void* context) {
    Frame* frame = innermost;
    const uintptr_t at = instructionAddress(context);
    // si_code > 0: raised by an instruction, not sent by a process.
    if (frame && info->si_code > 0) {
        if (at >= frame->begin && at < frame->end) {
            frame->fault = {signal, at, 0};
            siglongjmp(frame->jump, 1);
        }
        // An instruction fetched where there is no code, reached by a call
        // from the module.
        if (signal == SIGSEGV && reinterpret_cast<uintptr_t>(info->si_addr) == at) {
            const uintptr_t from = returnAddress(context, *frame);
            if (from >= frame->begin && from < frame->end) {
                frame->fault = {signal, from, at};
                siglongjmp(frame->jump, 1);
            }
        }
    }
    // Not the module's: the disposition from before takes over. A fault
    // recurs when its instruction runs again; a trap or a sent signal does
    // not, so it is raised again.
    sigaction(signal, &previous[signal], nullptr);
    if (signal == SIGTRAP || info->si_code <= 0) raise(signal);
}

void install() {
    struct sigaction action {};
    action.sa_sigaction = &onFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : caughtSignals) sigaction(signal, &action, &previous[signal]);
}

// A module that overflows its stack faults on the guard page: the handler
// then needs a stack of its own. Each thread that calls into a module gets
// one, unless it has one already.
class AlternateStack {
public:
    AlternateStack() {
        stack_t current{};
        if (sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_DISABLE)) return;
        memory_ = static_cast<char*>(std::malloc(size));
        if (!memory_) return;
        stack_t mine{};
        mine.ss_sp = memory_;
        mine.ss_size = size;
        if (sigaltstack(&mine, nullptr) != 0) {
            std::free(memory_);
            memory_ = nullptr;
        }
    }
    ~AlternateStack() {
        if (!memory_) return;
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
        std::free(memory_);
    }
    AlternateStack(const AlternateStack&) = delete;
    AlternateStack& operator=(const AlternateStack&) = delete;

private:
    static constexpr size_t size = 64 * 1024;
    char* memory_ = nullptr;
};

} // namespace

bool runGuarded(uintptr_t begin, uintptr_t end, void (*call)(void*), void* context, Fault& fault) {
    std::call_once(installed, install);
    thread_local AlternateStack alternate;
    Frame frame;
    frame.begin = begin;
    frame.end = end;
    frame.stackTop = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    frame.outer = innermost;
    if (sigsetjmp(frame.jump, 1) != 0) {
        innermost = frame.outer;
        fault = frame.fault;
        return false;
    }
    innermost = &frame;
    call(context);
    innermost = frame.outer;
    return true;
}

std::string signalName(int signal) {
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGTRAP: return "SIGTRAP";
    default: return "signal " + std::to_string(signal);
    }
}

} // namespace host::pe
