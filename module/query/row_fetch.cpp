#include "query/row_fetch.h"

#include <cstring>

#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "query/sql_layer.h"

namespace zrx {

int32_t fetchRowInto(workA* w, Trace& t, const char* routine, const char* table,
                     const FetchTarget* targets, int count, void (*clear)(workA*)) {
    int32_t slotIndex = Get_SQL(w, table);
    if (slotIndex < 0) {
        TRACE_ERROR(t, "%s error %s table missing", routine, table);
        return fetch::endOfData;
    }
    if (clear) clear(w);
    SqlSlot& s = w->SQLtbl[slotIndex];
    int32_t status = FetchRow(s.curHdl, s.outSQLDA);
    TRACE_DETAIL(t, "%s fetch %s row sqlStatus(%d)", routine, table, status);
    if (status == fetch::endOfData) {
        TRACE_DETAIL(t, "%s EOD %s", routine, table);
        return status;
    }
    if (status != 0) {
        TRACE_ERROR(t, "%s error %s sqlStatus(%d)", routine, table, status);
        return status;
    }

    // A host that reports success without an SQLDA describes no columns.
    const SQLDA* sqlda = s.outSQLDA;
    const int got = sqlda ? sqlda->count : 0;
    if (got != s.colCnt) {
        TRACE_ERROR(t, "%s unexpected column count %s: expected(%d), got(%d)", routine, table,
                    s.colCnt, got);
        return fetch::badColumnCount;
    }
    for (int i = 0; i < got && i < count; ++i) {
        const SqlColumn* c = sqldaColumn(sqlda, static_cast<std::size_t>(i));
        if (c->nullInd && *c->nullInd < 0) continue;
        if (!c->data || c->length <= 0) continue;
        std::size_t n = static_cast<std::size_t>(c->length);
        if (n > targets[i].width) n = targets[i].width;
        std::memcpy(targets[i].field, c->data, n);
    }
    return 0;
}

} // namespace zrx
