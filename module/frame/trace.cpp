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
    const uint32_t* sync = tp.syncRef;
    if (sync && *sync == tp.syncNo)
        flags_ = tp.flags;
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
