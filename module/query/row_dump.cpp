// Trace dumps of fetched rows and of raw bytes.
#include <cstring>

#include "frame/fixed_names.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "query/contention_fetch.h"

namespace zrx {

void logRow(const char* table, workA* w) {
    ZRX_ROUTINE_VOID(t, "logRow");
    TRACE_ALWAYS(t, "Dump requested for %s row", table);
    if (std::strcmp(table, "INODESTS") == 0) {
        TRACE_ALWAYS(t, "    node       = %s", printable(w->inodeRow.node).c_str());
        TRACE_ALWAYS(t, "    thrunode   = %s", printable(w->inodeRow.thrunode).c_str());
        return;
    }
    if (std::strcmp(table, "MGLBLENQ") == 0 || std::strcmp(table, "ENQSTUFF") == 0) {
        const InputRow& r = w->inputRow;
        TRACE_ALWAYS(t, "    majorname  = %s", printable(r.majorname).c_str());
        TRACE_ALWAYS(t, "    minorname  = %s", printable(r.minorname).c_str());
        TRACE_ALWAYS(t, "    owntaskct = %d", r.owntaskct);
        TRACE_ALWAYS(t, "    waittaskct = %d", r.waittaskct);
        TRACE_ALWAYS(t, "    maxwaittm  = %d", r.maxwaittm);
        TRACE_ALWAYS(t, "    owningas  = %s", printable(r.owningas).c_str());
        TRACE_ALWAYS(t, "    waitingas  = %s", printable(r.waitingas).c_str());
        TRACE_ALWAYS(t, "    sysname  = %s", printable(r.sysname).c_str());
        TRACE_ALWAYS(t, "    swapped  = 0x%X", widened(r.swapped));
        TRACE_ALWAYS(t, "    type     = 0x%X", widened(r.type));
        TRACE_ALWAYS(t, "    asid     = 0x%4X", static_cast<unsigned>(r.asid));
        TRACE_ALWAYS(t, "    waittime = %d", r.waittime);
        TRACE_ALWAYS(t, "    report     = %s", printable(r.report).c_str());
        TRACE_ALWAYS(t, "    originnode = %s", printable(r.originnode).c_str());
        TRACE_ALWAYS(t, "    enqpflag = 0x%X", widened(r.enqpflag));
        TRACE_ALWAYS(t, "     plxname  = %s", printable(r.plxname).c_str());
        return;
    }
    if (std::strcmp(table, "MENTRENQ") == 0) {
        TRACE_ALWAYS(t, "Call logRowMENTRENQ");
        return;
    }
    TRACE_ALWAYS(t, "Dump requested for unknown table %s", table);
}

void dumpmemc(const void* bytes, int32_t length) {
    ZRX_ROUTINE_VOID(t, "dumpmemc");
    constexpr int group = 32;
    constexpr int textWidth = 34;
    const auto* b = static_cast<const unsigned char*>(bytes);
    TRACE_ALWAYS(t, "  off .........|.........|.........|..  ");
    for (int32_t off = 0; b && off < length; off += group) {
        char text[textWidth + 1];
        std::memset(text, ' ', textWidth);
        text[textWidth] = '\0';
        bool replaced = false;
        int n = length - off < group ? length - off : group;
        for (int k = 0; k < n; ++k) {
            unsigned char c = b[off + k];
            bool control = c == 0 || (c >= 7 && c <= 13);
            text[k] = control ? '.' : static_cast<char>(c);
            replaced = replaced || control;
        }
        if (replaced) text[textWidth - 1] = '?';
        TRACE_ALWAYS(t, " %4.4X %s", static_cast<unsigned>(off), text);
    }
    TRACE_ALWAYS(t, "      .........|.........|.........|..  ");
}

} // namespace zrx
