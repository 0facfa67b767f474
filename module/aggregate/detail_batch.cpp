#include "aggregate/detail_batch.h"

#include <cstring>

#include "aggregate/input_merge.h"
#include "frame/fixed_names.h"
#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "query/contention_fetch.h"
#include "query/row_fetch.h"
#include "query/sql_layer.h"
#include "query/sql_quote.h"
#include "query/sql_texts.h"

namespace zrx {

namespace {

constexpr int32_t detailColumns = 10;
constexpr int32_t tailLength = sizeof sqltext::detailTail - 1;

// The longest predicate once quoted: the 60 characters around the names, a
// major name of 8 apostrophes and a minor name of 255, each doubled, and a
// NUL.
constexpr size_t predicateSize = 60 + 2 * 8 + 2 * 255 + 1;
static_assert(predicateSize == 587);

// The resource predicate of a summary row, names quoted; returns its length.
size_t buildPredicate(char (&out)[predicateSize], const SORow& r) {
    const size_t minorLength = lengthWithoutTrailingBlanks(r.minorname, sizeof r.minorname);
    size_t n = 0;
    auto put = [&](const char* piece) {
        size_t len = std::strlen(piece);
        std::memcpy(out + n, piece, len);
        n += len;
    };
    put("(");
    put(sqltext::detailMajor);
    n += static_cast<size_t>(quoteInto(out + n, predicateSize - n, r.majorname, sizeof r.majorname, '\''));
    put(sqltext::detailAnd);
    put(sqltext::detailMinor);
    n += static_cast<size_t>(quoteInto(out + n, predicateSize - n, r.minorname, minorLength, '\''));
    put(sqltext::detailClose);
    out[n] = '\0';
    return n;
}

void writeTail(workA* w) {
    std::memcpy(w->sqlText + w->predEnd, sqltext::detailTail, sizeof sqltext::detailTail);
}

} // namespace

int32_t DQSQLI(workA* w, int32_t enqplex, int32_t system) {
    ZRX_ROUTINE(t, "DQSQLI");
    char thruNode[2 * 32 + 1] = "";
    if (enqplex >= 0 && enqplex < maxENQP && system >= 0 && system < maxSystems) {
        const char(&name)[32] = w->Enqplxs[enqplex].SysThruNodes[system];
        quoteInto(thruNode, sizeof thruNode, name, sizeof name, '"');
    }
    int32_t length = writeQueryText(w, sqltext::detailPrefix, thruNode);
    if (length < 0) length = 0;
    w->SQLtbl[w->curSQLslot].colCnt = detailColumns;
    // The predicates follow the prefix actually written: a thru-node with a
    // NUL or a doubled quote makes it other than 334 characters.
    w->predStart = static_cast<int32_t>(w->sqlPtr - w->sqlText) + length;
    w->predNext = w->predStart;
    w->predEnd = w->predStart;
    w->lenrem = detailStatementLimit - w->predNext;
    return t.ret(0);
}

int32_t DQSQLW(workA* w, int32_t enqplex, int32_t system, SORow* r) {
    ZRX_ROUTINE(t, "DQSQLW");
    if (!r) {
        if (w->sqlText[0] == '\0') {
            TRACE_DETAIL(t, "DQSQLW called with NULL pointer but SQL string is empty.");
            return t.ret(0);
        }
        writeTail(w);
        int32_t status = DQSQLX(w);
        w->sqlText[0] = '\0';
        return t.ret(status);
    }

    // A NUL cannot stand inside the statement's literals.
    if (holdsNul(r->majorname, sizeof r->majorname) || holdsNul(r->minorname, sizeof r->minorname)) {
        TRACE_DETAIL(t, "Resource name holds a NUL byte; not asked about (Major: %s)",
                     printable(r->majorname).c_str());
        return t.ret(0);
    }

    char predicate[predicateSize];
    const int32_t length = static_cast<int32_t>(buildPredicate(predicate, *r));
    if (w->sqlText[0] == '\0') DQSQLI(w, enqplex, system);

    if (length + tailLength > w->lenrem) {
        writeTail(w);
        int32_t status = DQSQLX(w);
        if (status != 0) return t.ret(status);
        w->predNext = w->predStart;
    }
    std::memcpy(w->sqlText + w->predNext, predicate, static_cast<size_t>(length));
    w->predEnd = w->predNext + length;
    std::memcpy(w->sqlText + w->predEnd, sqltext::detailOr, 3);
    w->predNext = w->predEnd + 3;
    w->lenrem = detailStatementLimit - w->predNext;
    return t.ret(0);
}

int32_t DQSQLX(workA* w) {
    ZRX_ROUTINE(t, "DQSQLX");
    TRACE_DETAIL(t, "DQSQLX: The SQL buffer is ||%s||", w->sqlText);
    if (int32_t status = createReq(w)) {
        TRACE_ALWAYS(t, "createReq failure(%d)", status);
        TRACE_ALWAYS(t, "DQSQLX: The SQL buffer is ||%s||", w->sqlText);
        Drop_SQL(w);
        DropPathForGood(w->pathHdl);
        return t.ret(1);
    }
    int32_t status;
    while ((status = fetchEnqStuff(w)) == 0) {
        if (ProcessInput(w) != 0) {
            TRACE_ALWAYS(t, "ProcessInput() failed, error return");
            return t.ret(1);
        }
    }
    if (status == fetch::endOfData) {
        Drop_SQLii(w, Get_SQL(w, "ENQSTUFF"));
        return t.ret(0);
    }
    TRACE_ALWAYS(t, "fetchEnqStuff failed status %d", status);
    Drop_SQL(w);
    DropPathForGood(w->pathHdl);
    return t.ret(1);
}

} // namespace zrx
