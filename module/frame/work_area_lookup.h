// How the request and session end entries find the session's work area:
// through the parameter list of the request block, checked by its eye
// catcher, so that a host that lost or replaced it gets a status, never a
// read of foreign memory.
#pragma once

#include <cstdint>

#include "frame/trace.h"
#include "frame/work_area.h"
#include "zrx/handle.h"
#include "zrx/items.h"

namespace zrx {

// 0 with `parm` and `w` set; else the error line at `t` and the status:
// noParmList without a parameter list, `noWorkArea` without a work area.
int32_t locateWorkArea(Trace& t, const HostHandle& reqBlk, int32_t noWorkArea, ParmList*& parm, workA*& w);

} // namespace zrx
