// An in-memory enterprise snapshot for tests: the schema of enterprise.sql,
// a script loaded into it, and queries that return plain values.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

namespace scenarios::testing {

std::string readFile(const char* path);

class Snapshot {
public:
    Snapshot();
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    // Runs a script in one transaction; SQLite's message on failure, else "".
    std::string run(std::string_view script);

    long long scalar(const std::string& sql);

    // Every value as text, NULL as "NULL".
    using Rows = std::vector<std::vector<std::string>>;
    Rows rows(const std::string& sql);

private:
    sqlite3* db_ = nullptr;
};

} // namespace scenarios::testing
