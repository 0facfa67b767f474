// The trace protocol every routine follows: flags read once at entry (from
// the cache while the sync counter has not moved), an entry event, lines at
// their level, and an exit event on every return path.
#pragma once

#include <cstdint>

#include "zrx/platform.h"

namespace zrx {

extern const TraceUnit traceUnit;
extern uint32_t traceSyncCounter;

constexpr uint32_t nameLength(const char* s) {
    uint32_t n = 0;
    while (s[n]) ++n;
    return n;
}

inline constexpr uint32_t entryClass = 0x200;
inline constexpr uint32_t routineClass = 0x800;

constexpr TracePoint tracePoint(const char* name, uint32_t line, uint32_t cls = routineClass) {
    return TracePoint{&traceUnit, name, nameLength(name), line, &traceSyncCounter, cls, 0, 0, {0, 0}};
}

class Trace {
public:
    enum Exit { WithResult, WithoutResult };

    // Inline: every routine opens one, and with no trace on this is a few
    // loads and a compare.
    explicit Trace(TracePoint& tp, Exit exit = WithResult)
        : tp_(tp), flags_(flagsOf(tp)), events_((flags_ & traceflag::Events) != 0), exit_(exit) {
        if (events_) TRX5_Event(&tp_, static_cast<int32_t>(tp_.line), eventkind::Entry);
    }
    ~Trace() {
        if (events_) exited();
    }
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    bool detail() const { return (flags_ & traceflag::Detail) != 0; }
    bool error() const { return (flags_ & traceflag::Error) != 0; }
    TracePoint* point() const { return &tp_; }

    // Records the result that the exit event carries and returns it.
    int32_t ret(int32_t result) {
        result_ = result;
        return result;
    }

private:
    // The facility rewrites the point while routines on other threads read
    // it: whole words, the number first (see TRX5_Sync).
    static uint32_t flagsOf(TracePoint& tp) {
        const uint32_t syncNo = __atomic_load_n(&tp.syncNo, __ATOMIC_ACQUIRE);
        const uint32_t* sync = __atomic_load_n(&tp.syncRef, __ATOMIC_RELAXED);
        if (sync && __atomic_load_n(sync, __ATOMIC_ACQUIRE) == syncNo)
            return __atomic_load_n(&tp.flags, __ATOMIC_RELAXED);
        return TRX5_Sync(&tp);
    }
    void exited();

    TracePoint& tp_;
    uint32_t flags_;
    bool events_;
    Exit exit_;
    int32_t result_ = 0;
};

// The 32-bit value of a reference, as the trace formats "%8X" print it.
inline uint32_t addr32(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// A byte widened as signed, as the dumps print flag bytes with "%X"
// (0x80 prints FFFFFF80).
inline unsigned widened(int8_t b) { return static_cast<unsigned>(static_cast<int>(b)); }

} // namespace zrx

// Lines are written with the routine's own trace point and the source line
// of the call; the format reaches the facility unchanged.
#define TRACE_DETAIL(t, ...) \
    do { if ((t).detail()) TRX5_Printf((t).point(), __LINE__, __VA_ARGS__); } while (0)
#define TRACE_ERROR(t, ...) \
    do { if ((t).error()) TRX5_Printf((t).point(), __LINE__, __VA_ARGS__); } while (0)
#define TRACE_ALWAYS(t, ...) TRX5_Printf((t).point(), __LINE__, __VA_ARGS__)

// Opens a routine: its static trace point and the protocol object `t`.
#define ZRX_ROUTINE(t, name)                                                   \
    static ::zrx::TracePoint zrxTracePoint = ::zrx::tracePoint(name, __LINE__); \
    ::zrx::Trace t(zrxTracePoint)
#define ZRX_ROUTINE_VOID(t, name)                                              \
    static ::zrx::TracePoint zrxTracePoint = ::zrx::tracePoint(name, __LINE__); \
    ::zrx::Trace t(zrxTracePoint, ::zrx::Trace::WithoutResult)
#define ZRX_ENTRY(t, name)                                                     \
    static ::zrx::TracePoint zrxTracePoint =                                   \
        ::zrx::tracePoint(name, __LINE__, ::zrx::entryClass);                  \
    ::zrx::Trace t(zrxTracePoint)
