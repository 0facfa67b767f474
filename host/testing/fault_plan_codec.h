// A fault plan as bytes, for a module host process: the plan in full, and
// its counts alone on the way back.
#pragma once

#include "remote/wire.h"
#include "testing/fault_plan.h"

namespace host::remote {

struct FaultPlanCodec {
    static void write(Writer& w, const FaultPlan& plan);
    static void read(Reader& r, FaultPlan& plan);
    static void writeCounts(Writer& w, const FaultPlan& plan);
    static void readCounts(Reader& r, FaultPlan& plan);
};

} // namespace host::remote
