// Writes the rows of one table as INSERT statements of up to a fixed number
// of rows each, one row per line. Many rows per statement keep large scripts
// small and quick to load; rows keep the order in which they are written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scenarios {

// Appends `value` as a SQL string literal, apostrophes doubled.
void appendSqlString(std::string& out, std::string_view value);

class SqlTableWriter {
public:
    explicit SqlTableWriter(std::string_view table, int rowsPerStatement = 100);

    void beginRow();
    void text(std::string_view value);
    void null();
    void integer(int64_t value);
    void endRow();

    // The statements written so far, the last one closed; the writer starts
    // afresh.
    std::string finish();

private:
    void separate();

    std::string table_;
    std::string out_;
    int rowsPerStatement_;
    int rowsInStatement_ = 0;
    bool firstValue_ = true;
};

} // namespace scenarios
