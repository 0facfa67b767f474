#include "storage/view_storage.h"

#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "storage/row_index.h"
#include "zrx/status.h"

namespace zrx {

int32_t obtainViewStorage(workA* w, Trace& t, int32_t size, size_t align, void** out) {
    *out = nullptr;
    void* storage = nullptr;
    const int32_t status = GetViewStorage(w->parmList, size, &storage);
    if (status == 0 && storage) {
        *out = storage;
        return 0;
    }
    // A handle that fails its check is a fault of the session, not a host
    // out of storage: the view fails as it would without the index.
    if (status == handleCheckFailed) return status;
    bool givenUp = false;
    storage = carveRowIndexBlock(w, size, align, givenUp);
    if (givenUp)
        TRACE_DETAIL(t,
                     "View storage of %d bytes refused (status %d); the row index is given up to serve as "
                     "storage",
                     size, status);
    if (!storage) return status;
    *out = storage;
    return 0;
}

} // namespace zrx
