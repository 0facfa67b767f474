// The capture time of a snapshot: ISO-8601 UTC times read and written, the
// optional CAPTURE table checked, and older snapshots without it still good.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "sql/capture.h"
#include "sql/schema.h"
#include "sql/snapshot.h"
#include "sql/utc_time.h"
#include "sql/value_check.h"

namespace {

using host::sql::formatUtcTime;
using host::sql::parseUtcTime;
using host::sql::Snapshot;

TEST(UtcTime, ReadsTheFormsAProducerWrites) {
    EXPECT_EQ(parseUtcTime("1970-01-01T00:00:00Z"), 0);
    EXPECT_EQ(parseUtcTime("2026-12-10T08:15:00Z"), 1796890500000LL);
    EXPECT_EQ(parseUtcTime("2026-12-10T08:15Z"), 1796890500000LL);
    EXPECT_EQ(parseUtcTime("2026-12-10T08:15:00+00:00"), 1796890500000LL);
    EXPECT_EQ(parseUtcTime("2026-12-10T08:15:00.25Z"), 1796890500250LL);
    EXPECT_EQ(parseUtcTime("2026-12-10T08:15:00.123456789Z"), 1796890500123LL);
    EXPECT_EQ(parseUtcTime("2024-02-29T23:59:59Z"), 1709251199000LL);
    EXPECT_EQ(parseUtcTime("1969-12-31T23:59:59.5Z"), -500);
}

TEST(UtcTime, RefusesWhatIsNotAUtcTime) {
    for (const char* text : {"", "2026-12-10", "2026-12-10 08:15:00Z", "2026-12-10T08:15:00", "2026-12-10T08:15:00+01:00",
                             "2026-12-10t08:15:00z", "2026-13-10T08:15:00Z", "2025-02-29T00:00:00Z",
                             "2026-04-31T00:00:00Z", "2026-12-10T24:00:00Z", "2026-12-10T08:60:00Z",
                             "2026-12-10T08:15:60Z", "2026-12-10T08:15:00.Z", "2026-12-10T08:15:00.1234567890Z",
                             "0000-01-01T00:00:00Z", "2026-12-10T08:15:00Z ", "+2026-12-10T08:15:00Z"})
        EXPECT_FALSE(parseUtcTime(text)) << text;
}

TEST(UtcTime, WritesWholeSecondsPlainlyAndKeepsMilliseconds) {
    EXPECT_EQ(formatUtcTime(1796890500000LL), "2026-12-10T08:15:00Z");
    EXPECT_EQ(formatUtcTime(1796890500250LL), "2026-12-10T08:15:00.250Z");
    EXPECT_EQ(formatUtcTime(-500), "1969-12-31T23:59:59.500Z");
    for (int64_t ms : {0LL, 951782400000LL, 4102444799999LL, 253402300799000LL})
        EXPECT_EQ(parseUtcTime(formatUtcTime(ms)), ms) << ms;
}

class CaptureTable : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path.c_str()); }

    void make(const std::string& script) {
        std::remove(path.c_str());
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    // The schema without CAPTURE, as every snapshot written before it had.
    static std::string olderSchema() {
        std::string s(host::sql::schemaText());
        return s.substr(0, s.find("\n-- Capture."));
    }

    std::vector<std::string> problems(Snapshot& snapshot) {
        std::vector<host::sql::ValueProblem> found;
        std::string error;
        EXPECT_TRUE(host::sql::checkValues(snapshot.db(), 0, found, error)) << error;
        std::vector<std::string> lines;
        for (const auto& p : found) lines.push_back(p.line());
        return lines;
    }

    const std::string path = ::testing::TempDir() + "zrx_sql_capture_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                             std::to_string(::getpid()) + ".db";
};

TEST_F(CaptureTable, ASnapshotWithoutItOpensAndHasNoCaptureTime) {
    ASSERT_EQ(olderSchema().find("CREATE TABLE CAPTURE"), std::string::npos);
    make(olderSchema());
    std::string error;
    auto snapshot = Snapshot::openFile(path, error);
    ASSERT_TRUE(snapshot) << error;
    EXPECT_TRUE(problems(*snapshot).empty());
    std::optional<int64_t> taken = 1;
    ASSERT_TRUE(host::sql::readCaptureTime(snapshot->db(), taken, error)) << error;
    EXPECT_FALSE(taken);
}

TEST_F(CaptureTable, IsNotATableTheDataServerAnswersFrom) {
    for (const auto& table : host::sql::catalog().tables) EXPECT_NE(table.name, "CAPTURE");
    EXPECT_EQ(host::sql::catalog().error, "");
}

TEST_F(CaptureTable, ItsTimeIsRead) {
    make(std::string(host::sql::schemaText()) + "INSERT INTO CAPTURE VALUES ('2026-12-10T08:15:00Z');");
    std::string error;
    auto snapshot = Snapshot::openFile(path, error);
    ASSERT_TRUE(snapshot) << error;
    EXPECT_TRUE(problems(*snapshot).empty());
    std::optional<int64_t> taken;
    ASSERT_TRUE(host::sql::readCaptureTime(snapshot->db(), taken, error)) << error;
    EXPECT_EQ(taken, 1796890500000LL);
}

TEST_F(CaptureTable, AnEmptyTableMeansNoCaptureTime) {
    std::string error;
    auto snapshot = Snapshot::createInMemory(error);
    ASSERT_TRUE(snapshot) << error;
    std::optional<int64_t> taken = 1;
    ASSERT_TRUE(host::sql::readCaptureTime(snapshot->db(), taken, error)) << error;
    EXPECT_FALSE(taken);
}

TEST_F(CaptureTable, TheValueCheckNamesABadTimeAndASecondRow) {
    std::string error;
    auto snapshot = Snapshot::createInMemory(error);
    ASSERT_TRUE(snapshot && snapshot->exec("INSERT INTO CAPTURE VALUES ('2026-12-10 08:15:00');"
                                           "INSERT INTO CAPTURE VALUES ('2026-12-10T08:16:00Z');"
                                           "INSERT INTO CAPTURE VALUES (42);",
                                           error))
        << error;
    EXPECT_EQ(problems(*snapshot),
              (std::vector<std::string>{
                  "CAPTURE row 1, column TAKEN_AT: '2026-12-10 08:15:00' is not an ISO-8601 UTC time such as "
                  "2026-12-10T08:15:00Z",
                  "CAPTURE row 2, column TAKEN_AT: '2026-12-10T08:16:00Z' is a second capture time; a snapshot has one",
                  "CAPTURE row 3, column TAKEN_AT: '42' is not an ISO-8601 UTC time such as 2026-12-10T08:15:00Z",
              }));
    std::optional<int64_t> taken;
    EXPECT_FALSE(host::sql::readCaptureTime(snapshot->db(), taken, error));
}

TEST_F(CaptureTable, ACaptureWithoutItsColumnOrNotATableIsRefused) {
    make(olderSchema() + "CREATE TABLE capture (WHEN_TAKEN TEXT);");
    std::string error;
    EXPECT_FALSE(Snapshot::openFile(path, error));
    EXPECT_NE(error.find("column CAPTURE.TAKEN_AT is missing"), std::string::npos) << error;
    make(olderSchema() + "CREATE VIEW CAPTURE AS SELECT '2026-12-10T08:15:00Z' AS TAKEN_AT;");
    EXPECT_FALSE(Snapshot::openFile(path, error));
    EXPECT_NE(error.find("CAPTURE is a view, not a table"), std::string::npos) << error;
}

} // namespace
