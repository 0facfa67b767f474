#include "query/index_predicates.h"

#include <cstring>
#include <initializer_list>

#include "frame/fixed_names.h"
#include "frame/host_services.h"
#include "frame/trace.h"
#include "frame/work_area.h"
#include "query/sql_quote.h"
#include "zrx/mentrenq_table.h"

namespace zrx {

namespace {

const char* operatorName(IndexOp op) {
    static const char* const names[] = {"EQ", "NE", "GE", "LE", "LT", "GT", "OR", "AND", "NOT", "LIKE"};
    const auto code = static_cast<int16_t>(op);
    return code >= static_cast<int16_t>(IndexOp::EQ) && code <= static_cast<int16_t>(IndexOp::LIKE)
               ? names[code - static_cast<int16_t>(IndexOp::EQ)]
               : "HUH?";
}

// The index columns by their place, as the table describes them; the
// destinations in idxTbl must be as wide.
constexpr int colMajor = columnSpec(ColumnId::majorname).indexPlace;
constexpr int colMinor = columnSpec(ColumnId::minorname).indexPlace;
constexpr int colEnqplex = columnSpec(ColumnId::enqplex).indexPlace;
constexpr int colReport = columnSpec(ColumnId::report).indexPlace;
static_assert(colMajor == 0 && colMinor == 1 && colEnqplex == 2 && colReport == 3);
static_assert(indexColumn(colMajor).width + 1 == sizeof(IdxTbl::majorname));
static_assert(indexColumn(colMinor).width + 1 == sizeof(IdxTbl::minorname));
static_assert(indexColumn(colEnqplex).width + 1 == sizeof(IdxTbl::enqplex));

int width(int place) { return static_cast<int>(indexColumn(place).width); }

// Predicate texts are printed from bounded copies: the host's strings are
// trusted to end, but a trace line need not carry more than a minor name.
constexpr size_t printLimit = 256;
void boundedCopy(char (&out)[printLimit + 1], const char* in) {
    size_t n = in ? strnlen(in, printLimit) : 0;
    if (n) std::memcpy(out, in, n);
    out[n] = '\0';
}

// Characters of the value before its first blank or NUL, at most `width`.
size_t leadingLength(const char* value, int width) {
    size_t n = 0;
    while (n < static_cast<size_t>(width) && value[n] != ' ' && value[n] != '\0') ++n;
    return n;
}

// A minor name may hold blanks of its own (a data set name padded to 44 and a
// member name, say): cutting it at the first one would ask for another
// resource. Only its padding goes; a blank-led value is empty, as for the
// other columns.
size_t minorNameLength(const char* value, int width) {
    if (value[0] == ' ') return 0;
    size_t n = 0;
    while (n < static_cast<size_t>(width) && value[n] != '\0') ++n;
    return lengthWithoutTrailingBlanks(value, n);
}

// Stores the value of an index predicate on the column at `position` as
// the view keeps it; returns where it went.
const char* storeValue(IdxTbl& idx, char (&report)[4], int position, const char* value) {
    const size_t n = position == colMinor ? minorNameLength(value, width(position))
                                          : leadingLength(value, width(position));
    char* destination = nullptr;
    switch (position) {
    case colMajor: destination = idx.majorname; break;
    case colMinor: destination = idx.minorname; break;
    case colEnqplex:
        // A later name replaces an earlier one whole, so that no tail of the
        // earlier name is left behind it; an empty or blank-led value names
        // nothing and leaves the earlier one as it was.
        destination = idx.enqplex;
        if (n > 0) std::memset(idx.enqplex, ' ', 8);
        break;
    case colReport:
    default: destination = report; break;
    }
    std::memcpy(destination, value, n);
    if (position != colEnqplex) destination[n] = '\0';
    return destination;
}

// The WHERE clause of the summary query for the resource named. The names go
// inside SQL literals with their apostrophes doubled. The clause must fit
// whereText whole: a cut clause would ask for another resource.
bool buildWhereClause(workA* w, Trace& t) {
    const IdxTbl& idx = w->idxTbl;
    char quotedMajor[2 * sizeof idx.majorname];
    char quotedMinor[2 * sizeof idx.minorname];
    quoteInto(quotedMajor, sizeof quotedMajor, idx.majorname, sizeof idx.majorname, '\'');
    quoteInto(quotedMinor, sizeof quotedMinor, idx.minorname, sizeof idx.minorname, '\'');
    const size_t length = std::strlen("WHERE MGLBLENQ.MAJORNAME = '") + std::strlen(quotedMajor) +
                          std::strlen("' AND MGLBLENQ.MINORNAME = '") + std::strlen(quotedMinor) + 1;
    if (length >= sizeof w->whereText) {
        TRACE_ALWAYS(t,
                     "Index values too long for the WHERE clause once quoted (%d characters, at "
                     "most %d)",
                     static_cast<int>(length), static_cast<int>(sizeof w->whereText - 1));
        return false;
    }
    // The pieces of "%s%s%s'%s%s%s'": the length above guarantees the room.
    size_t at = 0;
    for (const char* piece : {"WHERE ", "MGLBLENQ.MAJORNAME = '", static_cast<const char*>(quotedMajor),
                              "'", " AND ", "MGLBLENQ.MINORNAME = '",
                              static_cast<const char*>(quotedMinor), "'"}) {
        size_t n = std::strlen(piece);
        std::memcpy(w->whereText + at, piece, n);
        at += n;
    }
    w->whereText[at] = '\0';
    TRACE_DETAIL(t, "The WHERE clause is ...\n\"%s\"", w->whereText);
    return true;
}

} // namespace

int32_t setupIndices(workA* w) {
    ZRX_ROUTINE(t, "setupIndices");
    IdxTbl& idx = w->idxTbl;
    std::memcpy(idx.majorname, " ", 2);
    std::memcpy(idx.minorname, " ", 2);
    std::memcpy(idx.enqplex, "        ", 9);
    idx.idxReport = ' ';
    char report[4] = "";
    int count = 0;

    for (;;) {
        IndexItem item{};
        int32_t status = GetRequestItem(w->reqBlk, item::IndexItem, &item);
        if (status != 0) break;
        ++count;
        const IndexOp op = item.op ? *item.op : IndexOp{};
        const char* column = item.column ? item.column : "";
        const char* value = item.value ? item.value : "";
        if (t.detail()) {
            char columnText[printLimit + 1];
            char valueText[printLimit + 1];
            boundedCopy(columnText, column);
            boundedCopy(valueText, value);
            TRACE_DETAIL(t, "Got Index-%d;  GetParm status='%d'\n", count, status);
            TRACE_DETAIL(t, "OP: %-4.4s  COL: %-24s  VAL: %s", operatorName(op), columnText, valueText);
        }

        int position = -1;
        for (int c = 0; c < static_cast<int>(indexColumnCount); ++c)
            if (std::strcmp(column, indexColumn(c).name) == 0) position = c;
        if (position < 0) {
            char columnText[printLimit + 1];
            boundedCopy(columnText, column);
            TRACE_ALWAYS(t, "Unrecognized or unsupported index column \"%s\"", columnText);
            continue;
        }
        if (op != IndexOp::EQ) {
            TRACE_ALWAYS(t, "index operator must be \"=\"(EQ)");
            return t.ret(1);
        }

        const char* destination = storeValue(idx, report, position, value);
        TRACE_DETAIL(t, "idxTbl[%d] value is %s", position, destination);
    }

    if (std::strcmp(report, reportPredicate.value) == 0) idx.idxReport = 'Y';
    TRACE_DETAIL(t,
                 "MAJORNAME: \"%s\"\n                                         MINORNAME: \"%s\"\n"
                 "                                         ENQPLEX:   \"%s\"\n"
                 "                                         REPORT:    \"%c\"\n",
                 idx.majorname, idx.minorname, idx.enqplex, idx.idxReport);

    if (count == 0) {
        TRACE_ALWAYS(t, "No Indexing Specified");
        return t.ret(1);
    }
    const bool major = given(idx.majorname), minor = given(idx.minorname), enqplex = given(idx.enqplex);
    const bool reportWanted = idx.idxReport == 'Y';
    const bool reportCase = !major && !minor && !enqplex && reportWanted;
    const bool resourceCase = major && minor && enqplex && !reportWanted;
    if (!reportCase && !resourceCase) {
        TRACE_ALWAYS(t, "Invalid Combination of Index Values");
        return t.ret(1);
    }

    w->whereText[0] = '\0';
    if (!major && !minor) return t.ret(0);

    if (!buildWhereClause(w, t)) return t.ret(1);
    return t.ret(0);
}

} // namespace zrx
