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
#include "sql/statement_cache.h"

namespace host::sql {

class Query {
public:
    // Refuses, with a message, anything but one statement of the dialect on
    // known tables and columns, routed to a known node exactly when its
    // tables are routed. The snapshot must outlive the query.
    static std::unique_ptr<Query> prepare(Snapshot& snapshot, std::string_view text, std::string& error);

    // The statement as SQLite text with every literal written in, for the
    // sqlite3 shell to give the same rows: as written (each OR tested branch
    // by branch, AT as a condition on the node column in each branch of an
    // OR that concerns its table: what a person would type), the same with
    // that condition once beside the OR, or in the forms the host answers it
    // in. Refuses what prepare refuses.
    enum class ShellText { AsWritten, AsWrittenRestrictedOnce, AsAnswered };
    static bool shellText(Snapshot& snapshot, std::string_view text, ShellText form, std::string& sqlite,
                          std::string& error);

    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // From the declared types of the result columns, in select-list order.
    const std::vector<ColumnSpec>& columns() const { return prepared_->columns; }

    enum class Step { Row, Done, Error };
    // The next row into `row` (one cell per column). After Done or Error
    // every further call answers the same.
    Step next(std::vector<Cell>& row, std::string& error);

    const std::string& sqliteText() const { return prepared_->text; }
    // The AT clause's node, trailing blanks removed; "" for the hub's table.
    const std::string& routedNode() const { return routedNode_; }

    // What tells the module's statements apart: the first table of the FROM
    // list (the catalog's name), and whether a condition compares SUBSTR.
    const std::string& firstTable() const;
    bool comparesSubstrings() const { return substrings_; }

private:
    Query() = default;

    // The statement is the snapshot's, lent to this query until it ends.
    StatementCache* cache_ = nullptr;
    std::unique_ptr<PreparedStatement> prepared_;
    std::string routedNode_;
    int firstTable_ = 0;
    bool substrings_ = false;
    Step finished_ = Step::Row;
    std::string failure_;
};

} // namespace host::sql
