// Session start and session end: the work area's life with the host.
#include <cstring>

#include "frame/entries.h"
#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "frame/work_area_lookup.h"
#include "query/sql_layer.h"
#include "zrx/platform.h"
#include "zrx/status.h"

namespace zrx {

namespace {

using entry::noParmList;
constexpr int32_t noStorage = entry::requestFailed;
constexpr int32_t noWorkArea = entry::viewAbandoned;

// Copies the parameter list's node text with its NUL into nodeArea. The
// copy is bounded by the area and always terminated, whatever the host sent.
void copyNodeText(workA* w, const char* text) {
    if (!text) return;
    size_t n = 0;
    while (n < nodeAreaSize - 1 && text[n]) {
        w->nodeArea[n] = text[n];
        ++n;
    }
    w->nodeArea[n] = '\0';
}

} // namespace

int32_t enqmlcss(uint32_t id, HostObject* obj) {
    ZRX_ENTRY(t, "enqmlcss");
    zentrix_NotifySessionStart();

    const HostHandle reqBlk{id, obj};
    ParmList* parm = findParmList(reqBlk);
    if (!parm) {
        TRACE_ERROR(t, "Data server parameter list not found.");
        return t.ret(noParmList);
    }

    void* storage = nullptr;
    int32_t status = GetSampleStorage(parm, workASize, &storage);
    if (status != 0 || !storage) {
        TRACE_ERROR(t, "Sample storage not available.");
        return t.ret(noStorage);
    }
    TRACE_DETAIL(t, "Obtained Sample storage at %p of size %d.", storage, workASize);

    std::memset(storage, 0, sizeof(workA));
    auto* w = static_cast<workA*>(storage);
    std::memcpy(w->eyeCatcher, "strWorkA", sizeof w->eyeCatcher);
    w->parmList = parm;
    copyNodeText(w, parm->nodeText);
    w->firstCall = 1;

    // A host that did not keep the work area cannot hand it back on the
    // later calls: the session could neither collect nor drop its path.
    status = PutRequestItem(reqBlk, item::WorkArea, w);
    if (status != 0) {
        TRACE_ERROR(t, "Work area not accepted by the data server, status %d", status);
        return t.ret(noStorage);
    }

    void* server = HOLMVAR_ServerContext();
    status = PRUVANTE_CreatePath("SRVR01", server, &w->pathHdl);
    // A path handle that fails its check would fail every statement of the
    // session: the path is as good as not created.
    if (status == 0 && !checkedOps(w->pathHdl, DescLayout::B)) status = handleCheckFailed;
    if (status != 0) {
        // Whatever CreatePath left there is no path: the session end must
        // not read it.
        w->pathHdl = HostHandle{};
        TRACE_ERROR(t, "Create Path call failed with status %d", status);
        return t.ret(noStorage);
    }
    return t.ret(0);
}

int32_t enqmlcts(uint32_t id, HostObject* obj) {
    ZRX_ENTRY(t, "enqmlcts");
    ParmList* parm = nullptr;
    workA* w = nullptr;
    if (int32_t status = locateWorkArea(t, HostHandle{id, obj}, noWorkArea, parm, w)) return t.ret(status);
    Drop_SQL(w);
    int32_t status = DropPath(w->pathHdl);
    TRACE_DETAIL(t, "Drop Path Handle(%d)", status);
    TRACE_DETAIL(t, "Return status(%d)", 0);
    zentrix_NotifySessionEnd();
    return t.ret(0);
}

} // namespace zrx
