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

// What a column shows while it has no value: blanks as many as its width,
// the last ones of a run of blanks that every cursor shares (read-only), so
// that a read past the width runs off the end of the run's block.
const std::vector<char> blankRun(INT16_MAX, ' ');

std::string_view blanks(std::size_t width) {
    width = std::min(width, blankRun.size());
    return std::string_view(blankRun.data() + blankRun.size() - width, width);
}

// A column's own bytes when the interceptor made them longer, else blanks.
std::string_view restingValue(const CursorObject& cursor, std::size_t i) {
    return cursor.values[i].empty() ? blanks(static_cast<std::size_t>(cursor.widths[i])) : cursor.values[i];
}

// The row just filled, as the interceptor may alter it.
class CursorRow final : public DeliveredRow {
public:
    explicit CursorRow(CursorObject& cursor) : cursor_(cursor) {}
    size_t columns() const override { return cursor_.values.size(); }
    bool isNull(size_t column) const override { return cursor_.nullInds[column] != 0; }
    void setNull(size_t column) override { cursor_.nullInds[column] = -1; }
    void lengthen(size_t column, size_t bytes) override {
        zrx::SqlColumn& c = columnAt(cursor_, column);
        std::string longer(static_cast<const char*>(c.data), static_cast<size_t>(c.length));
        longer.resize(longer.size() + bytes, 'X');
        cursor_.values[column] = std::move(longer);
        c.data = cursor_.values[column].data();
        c.length = static_cast<int16_t>(std::min<size_t>(cursor_.values[column].size(), INT16_MAX));
    }

private:
    CursorObject& cursor_;
};

} // namespace

void describeColumns(CursorObject& cursor, const std::vector<sql::ColumnSpec>& columns) {
    long described = static_cast<long>(columns.size());
    if (Interceptor* i = cursor.session->host().interceptor())
        described = std::max(0L, i->describedColumns(cursor.request->plan->statement, described));
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

void fillRow(CursorObject& cursor, const std::vector<sql::Cell>& row) {
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
    cursor.rowHeld = true;
    if (Interceptor* i = cursor.session->host().interceptor()) {
        CursorRow delivered(cursor);
        i->deliverRow(cursor.request->plan->statement, cursor.rowsFetched, delivered);
    }
}

void detachRow(CursorObject& cursor) {
    // Closing and then dropping a request both detach it; the second finds
    // nothing to do.
    if (!cursor.sqldaGiven || !cursor.rowHeld) return;
    cursor.rowHeld = false;
    for (size_t i = 0; i < cursor.values.size(); ++i) {
        zrx::SqlColumn& c = columnAt(cursor, i);
        const std::string_view resting = restingValue(cursor, i);
        c.data = resting.data();
        c.length = static_cast<int16_t>(std::min<size_t>(resting.size(), INT16_MAX));
        cursor.nullInds[i] = -1;
    }
}

} // namespace host
