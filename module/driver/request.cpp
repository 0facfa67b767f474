// Request entry: placeholder until the collection phases exist.
#include "frame/entries.h"
#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"

namespace zrx {

int32_t enqmlcpr(uint32_t id, HostObject* obj) {
    ZRX_ENTRY(t, "enqmlcpr");
    ParmList* parm = findParmList(HostHandle{id, obj});
    if (!parm) {
        TRACE_ERROR(t, "Data server parameter list not found.");
        return t.ret(60);
    }
    return t.ret(62);
}

} // namespace zrx
