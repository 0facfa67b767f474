// A small in-memory snapshot and helpers to run statements on it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "module_texts.h"
#include "sql/query.h"
#include "sql/snapshot.h"

namespace sqltest {

using host::sql::Cell;
using host::sql::Query;
using host::sql::Snapshot;

// A row as delivered: each cell's bytes, or "<null>".
using Row = std::vector<std::string>;

inline Row texts(const std::vector<Cell>& cells) {
    Row row;
    for (const Cell& c : cells) row.push_back(c.null ? "<null>" : c.bytes);
    return row;
}

// Little-endian bytes of `value` in `width` bytes.
inline std::string le(long long value, int width) {
    std::string s;
    for (int i = 0; i < width; ++i) s += static_cast<char>((static_cast<unsigned long long>(value) >> (8 * i)) & 0xFF);
    return s;
}

class SqlTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        snapshot = Snapshot::createInMemory(error);
        ASSERT_TRUE(snapshot) << error;
    }

    void load(const std::string& script) {
        std::string error;
        ASSERT_TRUE(snapshot->exec(script, error)) << error;
    }

    std::unique_ptr<Query> prepare(const std::string& text) {
        std::string error;
        auto q = Query::prepare(*snapshot, text, error);
        EXPECT_TRUE(q) << error << "\n  in: " << text;
        return q;
    }

    // Every row of the statement, delivered as the SQLDA gets it.
    std::vector<Row> rows(const std::string& text) {
        std::vector<Row> out;
        auto q = prepare(text);
        if (!q) return out;
        std::vector<Cell> cells;
        std::string error;
        Query::Step step;
        while ((step = q->next(cells, error)) == Query::Step::Row) out.push_back(texts(cells));
        EXPECT_EQ(step, Query::Step::Done) << error;
        return out;
    }

    // The message with which prepare refuses the statement.
    std::string refusal(const std::string& text) {
        std::string error;
        auto q = Query::prepare(*snapshot, text, error);
        EXPECT_FALSE(q) << "accepted: " << text;
        EXPECT_FALSE(error.empty());
        return error;
    }

    std::unique_ptr<Snapshot> snapshot;
};

} // namespace sqltest
