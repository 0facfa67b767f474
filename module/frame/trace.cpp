#include "frame/trace.h"

#include "frame/build_texts.h"

namespace zrx {

const TraceUnit traceUnit = {
    185,
    0x8000,
    {{unitName, 8}, {buildDate, 11}, {traceBuildTime, 8}, {unitName, 8}, {"*", 1}},
    {0, 0},
};

uint32_t traceSyncCounter = 1;

Trace::Trace(TracePoint& tp, Exit exit) : tp_(tp), exit_(exit) {
    // The facility rewrites the point while routines on other threads read
    // it: whole words, the number first (see TRX5_Sync).
    const uint32_t syncNo = __atomic_load_n(&tp.syncNo, __ATOMIC_ACQUIRE);
    const uint32_t* sync = __atomic_load_n(&tp.syncRef, __ATOMIC_RELAXED);
    if (sync && __atomic_load_n(sync, __ATOMIC_ACQUIRE) == syncNo)
        flags_ = __atomic_load_n(&tp.flags, __ATOMIC_RELAXED);
    else
        flags_ = TRX5_Sync(&tp);
    events_ = (flags_ & traceflag::Events) != 0;
    if (events_) TRX5_Event(&tp_, static_cast<int32_t>(tp_.line), eventkind::Entry);
}

Trace::~Trace() {
    if (!events_) return;
    if (exit_ == WithResult)
        TRX5_Event(&tp_, static_cast<int32_t>(tp_.line), eventkind::ExitResult, result_);
    else
        TRX5_Event(&tp_, static_cast<int32_t>(tp_.line), eventkind::Exit);
}

} // namespace zrx
