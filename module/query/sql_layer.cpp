#include "query/sql_layer.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"

namespace zrx {

namespace {

constexpr int handleHexSize = 2 * (sizeof(uint32_t) + sizeof(HostObject*)) + 1;
constexpr int wordHexSize = 2 * sizeof(void*) + 1;

// A handle as its id's bytes followed by its object reference's bytes. Taken
// field by field: on wide platforms the record holds padding that nobody
// ever wrote.
void sprintHandle(char (&out)[handleHexSize], const HostHandle& h) {
    unsigned char bytes[sizeof h.id + sizeof h.obj];
    std::memcpy(bytes, &h.id, sizeof h.id);
    std::memcpy(bytes + sizeof h.id, &h.obj, sizeof h.obj);
    sprintx(out, bytes, sizeof bytes);
}

} // namespace

int32_t createReq(workA* w) {
    ZRX_ROUTINE(t, "createReq");
    for (int i = 0; i < sqlSlots; ++i) {
        SqlSlot& s = w->SQLtbl[i];
        if (!(s.state & slotstate::Wanted)) continue;

        int32_t status = CreateAccessPlan(w->pathHdl, s.sqlStmt, &s.planHdl);
        TRACE_DETAIL(t, "Create Access Plan %d returned with %d", i, status);
        if (status != 0) {
            Drop_SQL(w);
            return t.ret(status);
        }
        s.state = (s.state & ~slotstate::Wanted) | slotstate::Planned;
        TRACE_DETAIL(t, "After PLAN workA->SQLtbl(%d) = %X", i, s.state);

        s.planCnt = 1;
        s.cursorLst = &s.curHdl;
        status = CreateRequest(w->pathHdl, &s.reqhdl, s.planCnt, &s.planHdl, &s.cursorLst);
        if (t.detail()) {
            char hex[handleHexSize];
            TRACE_DETAIL(t, "Create Request %d was called with parms:", i);
            sprintHandle(hex, w->pathHdl);
            TRACE_DETAIL(t, "    pathHdl    =  %s ", hex);
            sprintHandle(hex, s.planHdl);
            TRACE_DETAIL(t, "    planHdl    =  %s ", hex);
            sprintHandle(hex, s.reqhdl);
            TRACE_DETAIL(t, "    reqhdl     =  %s ", hex);
            char word[wordHexSize];
            sprintx(word, &s.cursorLst, sizeof s.cursorLst);
            TRACE_DETAIL(t, "    cursorLst  =  %s ", word);
            sprintx(word, &s.planCnt, sizeof s.planCnt);
            TRACE_DETAIL(t, "    planCnt    =  %s ", word);
            TRACE_DETAIL(t, "Create Request %d returned with status %d", i, status);
        }
        if (status != 0) {
            Drop_SQL(w);
            return t.ret(status);
        }
        s.state |= slotstate::Requested;

        status = GetInputSQLDA(s.reqhdl, &s.inSQLDA);
        TRACE_DETAIL(t, "GetInputSQLDA %d returned with status %d", i, status);
        if (status != 0) {
            Drop_SQL(w);
            return t.ret(status);
        }

        status = OpenRequest(s.reqhdl, s.inSQLDA);
        TRACE_DETAIL(t, "Open Request %d returned with status %d", i, status);
        if (status != 0) {
            Drop_SQL(w);
            return t.ret(status);
        }
        s.state |= slotstate::Open;

        status = GetOutputSQLDA(s.curHdl, &s.outSQLDA);
        TRACE_DETAIL(t, "GetOutputSQLDA %d returned with status %d", i, status);
        if (status != 0) {
            Drop_SQL(w);
            return t.ret(status);
        }
    }
    return t.ret(0);
}

int32_t Get_SQL(workA* w, const char* name) {
    ZRX_ROUTINE(t, "Get_SQL");
    // A slot holds the name when its field, up to a NUL inside the field,
    // is the name. Measured once, the name passes over a slot whose field
    // does not end where it does without a comparison.
    constexpr size_t width = sizeof w->SQLtbl[0].tblName;
    const size_t length = strnlen(name, width);
    if (length == width) return t.ret(-1);
    for (int i = 0; i < sqlSlots; ++i) {
        const SqlSlot& s = w->SQLtbl[i];
        if (s.tblName[length] == '\0' && std::memcmp(s.tblName, name, length) == 0) return t.ret(i);
    }
    return t.ret(-1);
}

int32_t Drop_SQLii(workA* w, int32_t i) {
    ZRX_ROUTINE(t, "Drop_SQLii");
    if (i < 0 || i >= sqlSlots) return t.ret(0);
    SqlSlot& s = w->SQLtbl[i];
    if (s.state & slotstate::Open) {
        int32_t status = CloseRequest(s.reqhdl);
        TRACE_DETAIL(t, "Close Request(%d) sqlStatus(%d)", i, status);
    }
    if (s.state & slotstate::Requested) {
        int32_t status = DropRequest(s.reqhdl);
        TRACE_DETAIL(t, "Drop Request(%d) sqlStatus(%d)", i, status);
    }
    if (s.state & slotstate::Planned) {
        int32_t status = DropPlan(s.planHdl);
        TRACE_DETAIL(t, "Drop plan(%d) sqlStatus(%d)", i, status);
    }
    s.inSQLDA = nullptr;
    s.outSQLDA = nullptr;
    s.state = (s.state & ~slotstate::Prepared) | slotstate::Wanted;
    return t.ret(0);
}

int32_t Drop_SQL(workA* w) {
    ZRX_ROUTINE(t, "Drop_SQL");
    for (int i = 0; i < sqlSlots; ++i) {
        if (w->SQLtbl[i].state & slotstate::Prepared) {
            int32_t status = Drop_SQLii(w, i);
            TRACE_DETAIL(t, "Close/Drop Request(%d) sqlStatus(%d)", i, status);
        }
    }
    return t.ret(0);
}

void sprintx(char* out, const void* bytes, int count) {
    ZRX_ROUTINE_VOID(t, "sprintx");
    if (count <= 0) return;
    static constexpr char digits[] = "0123456789ABCDEF";
    const auto* b = static_cast<const unsigned char*>(bytes);
    for (int k = 0; k < count; ++k) {
        out[2 * k] = digits[b[k] >> 4];
        out[2 * k + 1] = digits[b[k] & 0x0F];
    }
    out[2 * count] = '\0';
}

void defineQuery(workA* w, const char* name) {
    SqlSlot& s = w->SQLtbl[w->curSQLslot];
    const size_t n = strnlen(name, sizeof s.tblName - 1);
    std::memcpy(s.tblName, name, n);
    std::memset(s.tblName + n, 0, sizeof s.tblName - n);
    s.sqlStmt = w->sqlPtr;
    s.state = slotstate::Defined | slotstate::Wanted;
}

void resetQueries(workA* w) {
    for (auto& s : w->SQLtbl) s.state = 0;
    w->sqlPtr = w->sqlText;
    w->sqlText[0] = '\0';
    w->curSQLslot = 0;
}

} // namespace zrx

namespace zrx {

int formatOne(char* out, size_t room, const char* format, const char* arg) {
    // The module's formats hold one "%s" and no other conversion: the text
    // goes over in three copies. Anything else, and a text that would not
    // fit, is left to snprintf, whose result this must equal.
    const size_t size = std::strlen(format);
    const auto* mark = static_cast<const char*>(std::memchr(format, '%', size));
    const size_t head = mark ? static_cast<size_t>(mark - format) : size;
    const bool one = mark && mark[1] == 's' && arg && !std::memchr(mark + 2, '%', size - head - 2);
    if (!mark || one) {
        const size_t middle = one ? std::strlen(arg) : 0;
        const size_t tail = mark ? size - head - 2 : 0;
        const size_t length = head + middle + tail;
        if (length < room && length <= static_cast<size_t>(INT_MAX)) {
            std::memcpy(out, format, head);
            if (one) std::memcpy(out + head, arg, middle);
            std::memcpy(out + head + middle, format + head + (mark ? 2 : 0), tail);
            out[length] = '\0';
            return static_cast<int>(length);
        }
    }
    return std::snprintf(out, room, format, arg);
}

int32_t writeQueryText(workA* w, const char* format, const char* arg) {
    char* end = w->sqlText + sqlTextSize;
    if (!w->sqlPtr || w->sqlPtr < w->sqlText || w->sqlPtr >= end) return -1;
    size_t room = static_cast<size_t>(end - w->sqlPtr);
    int n = formatOne(w->sqlPtr, room, format, arg);
    if (n < 0 || static_cast<size_t>(n) >= room) {
        w->sqlPtr[0] = '\0';
        return -1;
    }
    return n;
}

} // namespace zrx
