// A prepared SQLite statement that finalizes itself, with the few calls the
// history needs. Errors carry SQLite's message.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace history {

class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool valid() const { return statement_ != nullptr; }
    // SQLite's message when the statement could not be prepared, or when
    // its last run failed.
    const std::string& prepareError() const { return prepareError_; }
    const std::string& error() const { return prepareError_; }

    Statement& bind(int index, int64_t value);
    Statement& bind(int index, double value);
    Statement& bind(int index, std::string_view text);
    Statement& bindNull(int index);
    template <typename T>
    Statement& bind(int index, const std::optional<T>& value) {
        return value ? bind(index, *value) : bindNull(index);
    }

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Runs to its end; false on an error.
    bool run();
    void reset();

    int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    bool isNull(int column) const;

private:
    sqlite3_stmt* statement_ = nullptr;
    std::string prepareError_;
};

// Runs statements that return no rows; false with SQLite's message.
bool execute(sqlite3* db, const char* sql, std::string& error);

} // namespace history
