// One statement of the data server's dialect, translated and prepared on a
// snapshot, delivering its rows column by column as the output SQLDA needs.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sql/cells.h"
#include "sql/column_types.h"
#include "sql/snapshot.h"

struct sqlite3_stmt;

namespace host::sql {

class Query {
public:
    // Refuses, with a message, anything but one statement of the dialect on
    // known tables and columns, routed to a known node exactly when its
    // tables are routed. The snapshot must outlive the query.
    static std::unique_ptr<Query> prepare(Snapshot& snapshot, std::string_view text, std::string& error);

    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // From the declared types of the result columns, in select-list order.
    const std::vector<ColumnSpec>& columns() const { return columns_; }

    enum class Step { Row, Done, Error };
    // The next row into `row` (one cell per column). After Done or Error
    // every further call answers the same.
    Step next(std::vector<Cell>& row, std::string& error);

    const std::string& sqliteText() const { return sqliteText_; }
    // The AT clause's node, trailing blanks removed; "" for the hub's table.
    const std::string& routedNode() const { return routedNode_; }

private:
    Query() = default;

    sqlite3_stmt* statement_ = nullptr;
    std::vector<ColumnSpec> columns_;
    std::string sqliteText_;
    std::string routedNode_;
    Step finished_ = Step::Row;
    std::string failure_;
};

} // namespace host::sql
