#include "query/summary_query.h"

#include <cstring>

#include "frame/trace.h"
#include "frame/work_area.h"
#include "query/index_predicates.h"
#include "query/sql_layer.h"
#include "query/sql_quote.h"
#include "query/sql_texts.h"
#include "storage/view_storage.h"

namespace zrx {

namespace {
constexpr int32_t summaryBudget = 4093;
constexpr int32_t summaryColumns = 15;
constexpr int32_t atClauseExtra = 35;
} // namespace

int32_t setupMglblenqSQL(workA* w, int32_t enqplex, int32_t plexHub) {
    ZRX_ROUTINE(t, "setupMglblenqSQL");
    char* text = w->sqlPtr;
    char* const bufferEnd = w->sqlText + sqlTextSize;
    if (!text || text < w->sqlText || text >= bufferEnd || enqplex < 0 || enqplex >= maxENQP ||
        plexHub < 0 || plexHub >= maxPlexHubs)
        return t.ret(1);
    size_t length = strnlen(text, static_cast<size_t>(bufferEnd - text));
    TRACE_DETAIL(t, "*(workA->sqlPtr) is %d bytes in length (excluding) the null)", static_cast<int>(length));

    // Appends within the budget and within the buffer itself.
    int32_t lenrem = summaryBudget;
    auto append = [&](const char* piece) {
        size_t n = std::strlen(piece);
        if (text + length + n + 1 > bufferEnd) return false;
        std::memcpy(text + length, piece, n + 1);
        length += n;
        return true;
    };

    constexpr int32_t selectLength = sizeof sqltext::mglblenqSelect - 1;
    if (lenrem <= selectLength + 1 || !append(sqltext::mglblenqSelect)) return t.ret(1);
    lenrem -= selectLength + 1;
    constexpr int32_t fromLength = sizeof sqltext::mglblenqFrom - 1;
    if (lenrem <= fromLength + 1 || !append(sqltext::mglblenqFrom)) return t.ret(1);
    lenrem -= fromLength + 1;

    // The thru-node name, padding included, quoted for its literal.
    const char(&thruNode)[32] = w->Enqplxs[enqplex].PHThruNodes[plexHub];
    char quoted[2 * sizeof thruNode + 1];
    quoteInto(quoted, sizeof quoted, thruNode, sizeof thruNode, '"');
    const int32_t atSize = static_cast<int32_t>(std::strlen(quoted)) + atClauseExtra;
    void* storage = nullptr;
    int32_t status = obtainViewStorage(w, t, atSize, 1, &storage);
    if (status != 0 || !storage) {
        TRACE_DETAIL(t, "No storage for AT clause expansion");
        return t.ret(1);
    }
    TRACE_DETAIL(t, "Got ATclause storage at %8X", addr32(storage));
    auto* atClause = static_cast<char*>(storage);
    formatOne(atClause, static_cast<size_t>(atSize), sqltext::mglblenqAt, quoted);

    const int32_t atLength = static_cast<int32_t>(std::strlen(atClause));
    if (lenrem <= atLength || !append(atClause)) return t.ret(1);
    lenrem -= atLength;
    TRACE_DETAIL(t, "lenrem is %d; SQL: %s", lenrem, text);

    if (given(w->idxTbl.majorname) || given(w->idxTbl.minorname)) {
        const int32_t whereLength = static_cast<int32_t>(strnlen(w->whereText, sizeof w->whereText));
        if (whereLength >= static_cast<int32_t>(sizeof w->whereText)) return t.ret(1);
        if (lenrem <= whereLength || !append(w->whereText)) return t.ret(1);
    }
    if (!append(";")) return t.ret(1);
    w->SQLtbl[w->curSQLslot].colCnt = summaryColumns;
    return t.ret(0);
}

} // namespace zrx
