#include "frame/work_area_lookup.h"

#include <cstring>

#include "frame/host_services.h"
#include "zrx/status.h"

namespace zrx {

int32_t locateWorkArea(Trace& t, const HostHandle& reqBlk, int32_t noWorkArea, ParmList*& parm, workA*& w) {
    parm = findParmList(reqBlk);
    if (!parm) {
        TRACE_ERROR(t, "Data server parameter list not found.");
        return entry::noParmList;
    }
    w = static_cast<workA*>(parm->workArea);
    if (!w || std::memcmp(w->eyeCatcher, "strWorkA", sizeof w->eyeCatcher) != 0) {
        TRACE_ERROR(t, abandonline::noWorkArea);
        return noWorkArea;
    }
    return entry::ok;
}

} // namespace zrx
