#include "core/sqlda_filler.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/session.h"

namespace host {

namespace {

zrx::SQLDA& sqldaOf(CursorObject& cursor) {
    return *reinterpret_cast<zrx::SQLDA*>(cursor.sqlda.data());
}

zrx::SqlColumn& columnAt(CursorObject& cursor, size_t i) {
    return *zrx::sqldaColumn(&sqldaOf(cursor), i);
}

std::vector<const ResultFault*> faultsFor(const CursorObject& cursor, const FaultPlan& faults) {
    std::vector<const ResultFault*> out;
    if (faults.resultFaults().empty()) return out;
    for (const auto& f : faults.resultFaults())
        if (f.statement == cursor.request->plan->statement &&
            (f.nthRow == 0 || f.nthRow == cursor.rowsFetched))
            out.push_back(&f);
    return out;
}

// What a column shows while it has no value: blanks as many as its width,
// the last ones of a run of blanks that every cursor shares (read-only), so
// that a read past the width runs off the end of the run's block.
std::string_view blanks(std::size_t width) {
    static const std::vector<char> run(INT16_MAX, ' ');
    width = std::min(width, run.size());
    return std::string_view(run.data() + run.size() - width, width);
}

// A column's own bytes when a fault made them longer, else blanks.
std::string_view restingValue(const CursorObject& cursor, std::size_t i) {
    return cursor.values[i].empty() ? blanks(static_cast<std::size_t>(cursor.widths[i])) : cursor.values[i];
}

int columnDelta(const CursorObject& cursor, const FaultPlan& faults) {
    int delta = 0;
    for (const auto& f : faults.resultFaults())
        if (f.statement == cursor.request->plan->statement) delta += f.columnDelta;
    return delta;
}

} // namespace

void describeColumns(CursorObject& cursor, const std::vector<sql::ColumnSpec>& columns) {
    FaultPlan& faults = cursor.session->host().faults();
    int delta = columnDelta(cursor, faults);
    if (delta != 0) faults.noteResultFault();
    long described = std::max<long>(0, static_cast<long>(columns.size()) + delta);
    size_t n = static_cast<size_t>(described);

    cursor.sqlda.assign(zrx::sqldaSize(n), 0);
    cursor.values.assign(n, std::string());
    cursor.widths.assign(n, 0);
    // Until the first row every column is null, yet its value already holds
    // as many bytes as its length says, so that no read runs past it.
    cursor.nullInds.assign(n, -1);
    sqldaOf(cursor).count = static_cast<int16_t>(n);
    for (size_t i = 0; i < n; ++i) {
        zrx::SqlColumn& c = columnAt(cursor, i);
        int width = i < columns.size() ? columns[i].width : 1;
        cursor.widths[i] = std::max(width, 0);
        c.length = static_cast<int16_t>(width);
        c.data = blanks(static_cast<size_t>(cursor.widths[i])).data();
        c.nullInd = &cursor.nullInds[i];
    }
    cursor.sqldaGiven = true;
}

void fillRow(CursorObject& cursor, const std::vector<sql::Cell>& row, FaultPlan& faults) {
    // The entries point at the row's own cells, which stay put until the
    // next fetch or until the request is closed (detachRow).
    const size_t n = cursor.values.size();
    for (size_t i = 0; i < n; ++i) {
        zrx::SqlColumn& c = columnAt(cursor, i);
        const std::string_view bytes = i < row.size() ? std::string_view(row[i].bytes) : restingValue(cursor, i);
        c.data = bytes.data();
        c.length = static_cast<int16_t>(std::min<size_t>(bytes.size(), INT16_MAX));
        cursor.nullInds[i] = i < row.size() && row[i].null ? -1 : 0;
        c.nullInd = &cursor.nullInds[i];
    }
    for (const ResultFault* f : faultsFor(cursor, faults)) {
        bool applied = false;
        // Only a value can be too long: a null cell has none, and giving it
        // the fill bytes alone would deliver a short value, not a long one.
        if (f->longColumn >= 0 && static_cast<size_t>(f->longColumn) < n && f->longBy > 0 &&
            cursor.nullInds[f->longColumn] == 0) {
            const size_t col = static_cast<size_t>(f->longColumn);
            zrx::SqlColumn& c = columnAt(cursor, col);
            std::string longer(static_cast<const char*>(c.data), static_cast<size_t>(c.length));
            longer.resize(longer.size() + static_cast<size_t>(f->longBy), 'X');
            cursor.values[col] = std::move(longer);
            c.data = cursor.values[col].data();
            c.length = static_cast<int16_t>(std::min<size_t>(cursor.values[col].size(), INT16_MAX));
            applied = true;
        }
        if (f->nullColumn >= 0 && static_cast<size_t>(f->nullColumn) < n) {
            cursor.nullInds[f->nullColumn] = -1;
            applied = true;
        }
        if (applied) faults.noteResultFault();
    }
}

void detachRow(CursorObject& cursor) {
    if (!cursor.sqldaGiven) return;
    for (size_t i = 0; i < cursor.values.size(); ++i) {
        zrx::SqlColumn& c = columnAt(cursor, i);
        const std::string_view resting = restingValue(cursor, i);
        c.data = resting.data();
        c.length = static_cast<int16_t>(std::min<size_t>(resting.size(), INT16_MAX));
        cursor.nullInds[i] = -1;
    }
}

} // namespace host
