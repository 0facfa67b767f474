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

void Trace::exited() {
    if (exit_ == WithResult)
        TRX5_Event(&tp_, static_cast<int32_t>(tp_.line), eventkind::ExitResult, result_);
    else
        TRX5_Event(&tp_, static_cast<int32_t>(tp_.line), eventkind::Exit);
}

} // namespace zrx
