// The table MENTRENQ described once: each column's name, place in the
// output row, width, SQL type and whether the view reads index predicates
// on it; the comparison operators of index predicates; and the report
// predicate. Plain constant data, so that the module, the data server and
// the command all read the same description.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zrx/mentrenq_row.h"

namespace zrx {

// The operator code of an index predicate (GetRequestItem item 19). Only EQ
// is accepted by the view on its index columns; the codes from OR on never
// come from a comparison.
enum class IndexOp : int16_t { EQ = 1, NE, GE, LE, LT, GT, OR, AND, NOT, LIKE };

// How a column's bytes are read: blank-padded characters, or an integer of
// the column's width in native byte order.
enum class ColumnKind : uint8_t { Text, Signed, Unsigned };

struct ColumnSpec {
    const char* name; // as the view knows it: upper case
    size_t offset;    // in MentrenqRow
    size_t width;     // bytes
    ColumnKind kind;
    // Place among the index columns, in the order in which the view matches
    // a predicate's column against them; -1 for the other columns.
    int8_t indexPlace;

    constexpr bool index() const { return indexPlace >= 0; }
    constexpr const char* sqlType() const { return kind == ColumnKind::Text ? "TEXT" : "INTEGER"; }
};

// Positions of the columns in the table (and in the row).
enum class ColumnId : size_t {
    majorname, minorname, owntaskct, waittaskct, maxwaittm, owningas, waitingas, sysname, swapped, type,
    asid, waittime, report, originnode, plxname, enqplex, trueowner,
};

#define ZRX_COLUMN(field, name, kind, indexPlace) \
    ColumnSpec { name, offsetof(MentrenqRow, field), sizeof(MentrenqRow::field), ColumnKind::kind, indexPlace }

// swapped and type are delivered as unsigned bytes, as the flags they are.
inline constexpr ColumnSpec mentrenqColumns[] = {
    ZRX_COLUMN(majorname, "MAJORNAME", Text, 0),
    ZRX_COLUMN(minorname, "MINORNAME", Text, 1),
    ZRX_COLUMN(owntaskct, "OWNTASKCT", Signed, -1),
    ZRX_COLUMN(waittaskct, "WAITTASKCT", Signed, -1),
    ZRX_COLUMN(maxwaittm, "MAXWAITTM", Signed, -1),
    ZRX_COLUMN(owningas, "OWNINGAS", Text, -1),
    ZRX_COLUMN(waitingas, "WAITINGAS", Text, -1),
    ZRX_COLUMN(sysname, "SYSNAME", Text, -1),
    ZRX_COLUMN(swapped, "SWAPPED", Unsigned, -1),
    ZRX_COLUMN(type, "TYPE", Unsigned, -1),
    ZRX_COLUMN(asid, "ASID", Unsigned, -1),
    ZRX_COLUMN(waittime, "WAITTIME", Signed, -1),
    ZRX_COLUMN(report, "REPORT", Text, 3),
    ZRX_COLUMN(originnode, "ORIGINNODE", Text, -1),
    ZRX_COLUMN(plxname, "PLXNAME", Text, -1),
    ZRX_COLUMN(enqplex, "ENQPLEX", Text, 2),
    ZRX_COLUMN(trueowner, "TRUEOWNER", Unsigned, -1),
};

#undef ZRX_COLUMN

inline constexpr size_t mentrenqColumnCount = sizeof mentrenqColumns / sizeof mentrenqColumns[0];
inline constexpr size_t indexColumnCount = 4;

constexpr const ColumnSpec& columnSpec(ColumnId c) { return mentrenqColumns[static_cast<size_t>(c)]; }

// The index column at `place` (0 to indexColumnCount - 1).
constexpr const ColumnSpec& indexColumn(int place) {
    for (const ColumnSpec& c : mentrenqColumns)
        if (c.indexPlace == place) return c;
    return mentrenqColumns[0];
}

// An index predicate as constant data.
struct PredicateSpec {
    const char* column;
    IndexOp op;
    const char* value;
};

// Every contended resource, one row per resource and Enqplex.
inline constexpr PredicateSpec reportPredicate = {columnSpec(ColumnId::report).name, IndexOp::EQ, "YES"};

namespace detail {

constexpr bool sameText(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

// The columns follow each other in the row, each as wide as its field, and
// only the padding byte after the minor name lies between two of them.
constexpr bool columnsTileTheRow() {
    size_t at = 0;
    for (size_t i = 0; i < mentrenqColumnCount; ++i) {
        const ColumnSpec& c = mentrenqColumns[i];
        if (c.offset == at + sizeof(MentrenqRow::padding) && at == offsetof(MentrenqRow, padding)) at = c.offset;
        if (c.offset != at || c.width == 0) return false;
        if (c.kind != ColumnKind::Text && c.width != 1 && c.width != 2 && c.width != 4) return false;
        at += c.width;
    }
    return at == sizeof(MentrenqRow);
}

// Each index place is taken once, and only by a text column.
constexpr bool indexPlacesAreUnique() {
    for (int place = 0; place < static_cast<int>(indexColumnCount); ++place) {
        int found = 0;
        for (const ColumnSpec& c : mentrenqColumns) found += c.indexPlace == place && c.kind == ColumnKind::Text;
        if (found != 1) return false;
    }
    for (const ColumnSpec& c : mentrenqColumns)
        if (c.indexPlace >= static_cast<int>(indexColumnCount)) return false;
    return true;
}

constexpr bool namesAreUnique() {
    for (size_t i = 0; i < mentrenqColumnCount; ++i)
        for (size_t j = i + 1; j < mentrenqColumnCount; ++j)
            if (sameText(mentrenqColumns[i].name, mentrenqColumns[j].name)) return false;
    return true;
}

} // namespace detail

static_assert(mentrenqColumnCount == static_cast<size_t>(ColumnId::trueowner) + 1);
static_assert(detail::columnsTileTheRow(), "the columns must cover the MENTRENQ row field by field");
static_assert(detail::indexPlacesAreUnique());
static_assert(detail::namesAreUnique());
static_assert(columnSpec(ColumnId::majorname).offset == offsetof(MentrenqRow, majorname) &&
              columnSpec(ColumnId::minorname).offset == offsetof(MentrenqRow, minorname) &&
              columnSpec(ColumnId::report).offset == offsetof(MentrenqRow, report) &&
              columnSpec(ColumnId::enqplex).offset == offsetof(MentrenqRow, enqplex) &&
              columnSpec(ColumnId::trueowner).offset == offsetof(MentrenqRow, trueowner));

} // namespace zrx
