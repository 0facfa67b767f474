#include "snapshot.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace scenarios::testing {

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Snapshot::Snapshot() {
    if (sqlite3_open(":memory:", &db_) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open an in-memory database";
        return;
    }
    const std::string schema = readFile(ZRX_ENTERPRISE_SCHEMA);
    EXPECT_FALSE(schema.empty()) << ZRX_ENTERPRISE_SCHEMA;
    EXPECT_EQ(run(schema), "");
}

Snapshot::~Snapshot() { sqlite3_close(db_); }

std::string Snapshot::run(std::string_view script) {
    const std::string text = "BEGIN;\n" + std::string(script) + "\nCOMMIT;";
    char* message = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return "";
    std::string error = message ? message : "unknown error";
    sqlite3_free(message);
    sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    return error;
}

Snapshot::Rows Snapshot::rows(const std::string& sql) {
    Rows result;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db_) << " in: " << sql;
        return result;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const unsigned char* value = sqlite3_column_text(statement, i);
            row.emplace_back(value ? reinterpret_cast<const char*>(value) : "NULL");
        }
        result.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return result;
}

long long Snapshot::scalar(const std::string& sql) {
    Rows result = rows(sql);
    if (result.size() != 1 || result[0].size() != 1) {
        ADD_FAILURE() << "not one value from: " << sql;
        return -1;
    }
    return std::stoll(result[0][0]);
}

} // namespace scenarios::testing
