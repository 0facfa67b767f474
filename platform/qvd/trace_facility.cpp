// The trace facility: decides each routine's flags from the program's
// settings and hands every event and line to the program's sink.
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/called_from_module.h"
#include "platform/trace_control.h"
#include "zrx/platform.h"

namespace {

struct Facility {
    std::mutex mutex;
    platform::TraceSettings settings;
    platform::TraceSink* sink = nullptr;
    uint32_t sync = 2; // never the module's initial cached value 0
    uint64_t syncCalls = 0;
};

Facility& facility() {
    static Facility f;
    return f;
}

std::string routineName(const zrx::TracePoint* tp) {
    if (!tp || !tp->name) return "?";
    return std::string(tp->name, tp->nameLength);
}

// Noted per thread: the module runs on the thread that called its entry.
thread_local zrx::Abandon abandonNoted = zrx::Abandon::None;
thread_local platform::TraceSink* threadSink = nullptr;

void deliver(const platform::TraceRecord& record) {
    if (threadSink) {
        threadSink->write(record);
        return;
    }
    Facility& f = facility();
    std::lock_guard lock(f.mutex);
    if (f.sink) f.sink->write(record);
}

} // namespace

namespace platform {

void setTraceSettings(const TraceSettings& settings) {
    Facility& f = facility();
    std::lock_guard lock(f.mutex);
    f.settings = settings;
    // Routines on other threads read the counter without the lock.
    const uint32_t next = f.sync + 1 == 0 ? 2 : f.sync + 1;
    __atomic_store_n(&f.sync, next, __ATOMIC_RELEASE);
}

void setTraceSink(TraceSink* sink) {
    Facility& f = facility();
    std::lock_guard lock(f.mutex);
    f.sink = sink;
}

void setThreadTraceSink(TraceSink* sink) { threadSink = sink; }

TraceSink* threadTraceSink() { return threadSink; }

void writeTrace(const TraceRecord& record) {
    Facility& f = facility();
    std::lock_guard lock(f.mutex);
    if (f.sink) f.sink->write(record);
}

bool traceIsOn() {
    Facility& f = facility();
    std::lock_guard lock(f.mutex);
    return f.settings.defaultFlags != 0 || !f.settings.routines.empty();
}

void deliverTraceRecord(const TraceRecord& record) { deliver(record); }

TraceSettings traceSettings() {
    Facility& f = facility();
    std::lock_guard lock(f.mutex);
    return f.settings;
}

uint32_t traceSyncCounter() {
    Facility& f = facility();
    std::lock_guard lock(f.mutex);
    return f.sync;
}

uint64_t traceSyncCalls() {
    Facility& f = facility();
    std::lock_guard lock(f.mutex);
    return f.syncCalls;
}

zrx::Abandon takeAbandonReason() {
    const zrx::Abandon reason = abandonNoted;
    abandonNoted = zrx::Abandon::None;
    return reason;
}

} // namespace platform

extern "C" ZRX_CALLED_FROM_MODULE uint32_t TRX5_Sync(zrx::TracePoint* tp) {
    if (!tp) return 0;
    Facility& f = facility();
    std::lock_guard lock(f.mutex);
    ++f.syncCalls;
    uint32_t flags = f.settings.flagsFor(std::string_view(tp->name ? tp->name : "", tp->name ? tp->nameLength : 0));
    // A routine running on another thread reads the point meanwhile: it
    // reads the number last, and finds the flags and reference beside it
    // once it sees the number.
    __atomic_store_n(&tp->flags, flags, __ATOMIC_RELAXED);
    __atomic_store_n(&tp->syncRef, &f.sync, __ATOMIC_RELAXED);
    __atomic_store_n(&tp->syncNo, f.sync, __ATOMIC_RELEASE);
    return flags;
}

extern "C" ZRX_CALLED_FROM_MODULE int32_t TRX5_Event(zrx::TracePoint* tp, int32_t line, int32_t kind, ...) {
    if (threadSink && !threadSink->takesEvents()) return 0;
    platform::TraceRecord record;
    record.routine = routineName(tp);
    record.line = line;
    switch (kind) {
    case zrx::eventkind::Entry: record.kind = platform::TraceKind::Entry; break;
    case zrx::eventkind::ExitResult: {
        record.kind = platform::TraceKind::ExitResult;
        va_list args;
        va_start(args, kind);
        record.result = va_arg(args, int32_t);
        va_end(args);
        break;
    }
    default: record.kind = platform::TraceKind::Exit; break;
    }
    deliver(record);
    return 0;
}

extern "C" ZRX_CALLED_FROM_MODULE int32_t TRX5_Printf(zrx::TracePoint* tp, int32_t line, const char* format,
                                                     ...) {
    if (!format) return 0;
    platform::TraceRecord record;
    record.routine = routineName(tp);
    record.line = line;
    record.kind = platform::TraceKind::Line;
    record.reason = zrx::abandonReasonOf(format);
    abandonNoted = zrx::firstCause(abandonNoted, record.reason);
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed > 0) {
        record.text.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(record.text.data(), record.text.size(), format, args);
        record.text.resize(static_cast<size_t>(needed));
    }
    va_end(args);
    deliver(record);
    return 0;
}
