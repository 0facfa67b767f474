// A fresh history file per test, laid out as `record` lays one out.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "history/reader.h"
#include "history/writer.h"

namespace historytest {

inline std::string testPath(const std::string& suffix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return ::testing::TempDir() + "zrx_history_" + info->test_suite_name() + "_" + info->name() + "_" +
           std::to_string(::getpid()) + suffix;
}

inline void removeHistory(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
}

inline bool makeHistory(const std::string& path) {
    removeHistory(path);
    const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
    if (fd < 0) return false;
    ::close(fd);
    std::string error;
    const bool ok = history::Writer::initialise(path, error);
    EXPECT_TRUE(ok) << error;
    return ok;
}

class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(makeHistory(path));
        std::string error;
        history::OpenProblem problem;
        writer = history::Writer::open(path, error, problem);
        ASSERT_TRUE(writer) << error;
    }
    void TearDown() override {
        writer.reset();
        removeHistory(path);
    }

    void append(const history::Sample& sample, std::optional<int64_t> keepMs = std::nullopt) {
        history::AppendResult result;
        std::string error;
        ASSERT_TRUE(writer->append(sample, keepMs, result, error)) << error;
        ASSERT_EQ(result.outcome, history::AppendOutcome::Recorded);
    }

    std::unique_ptr<history::Reader> reader() {
        std::string error;
        history::OpenProblem problem;
        auto r = history::Reader::open(path, error, problem);
        EXPECT_TRUE(r) << error;
        return r;
    }

    // A connection of the test's own, to look at the file with SQL.
    struct Look {
        sqlite3* db = nullptr;
        explicit Look(const std::string& path) { sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr); }
        ~Look() { sqlite3_close(db); }
    };

    const std::string path = testPath(".history");
    std::unique_ptr<history::Writer> writer;
};

} // namespace historytest
