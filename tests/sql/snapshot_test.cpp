// Opening snapshot files: read-only, and only real snapshots.
#include <gtest/gtest.h>
#include <unistd.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "sql/query.h"
#include "sql/schema.h"
#include "sql/snapshot.h"

namespace {

using host::sql::Query;
using host::sql::Snapshot;

class SnapshotFile : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path.c_str()); }

    // Writes a database at `path` made by `script`.
    void make(const std::string& script) {
        std::remove(path.c_str());
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        char* message = nullptr;
        const int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &message);
        EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
        sqlite3_free(message);
        sqlite3_close(db);
    }

    std::string refusal() {
        std::string error;
        EXPECT_FALSE(Snapshot::openFile(path, error));
        return error;
    }

    static std::string schemaWith(const std::string& from, const std::string& to,
                                  std::string s = std::string(host::sql::schemaText())) {
        const auto at = s.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return s.replace(at, from.size(), to);
    }

    // One file per test: CTest runs the tests of this file side by side.
    const std::string path = ::testing::TempDir() + "zrx_sql_snapshot_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                             std::to_string(::getpid()) + ".db";
};

TEST(Schema, EmbeddedTextIsTheSnapshotScript) {
    std::ifstream file(ZRX_SCHEMA_FILE, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(host::sql::schemaText(), content.str());
    ASSERT_EQ(host::sql::catalog().tables.size(), 5u);
    EXPECT_FALSE(host::sql::catalog().tables[0].routed);
    EXPECT_TRUE(host::sql::catalog().tables[4].routed);
}

TEST_F(SnapshotFile, OpensARealSnapshotReadOnly) {
    make(std::string(host::sql::schemaText()) +
         "INSERT INTO MXCFSYS (AT_NODE, SYS_NAME) VALUES ('PLXA:THRU', 'SYSA');");
    std::string error;
    auto snapshot = Snapshot::openFile(path, error);
    ASSERT_TRUE(snapshot) << error;
    auto q = Query::prepare(*snapshot, "SELECT SYS_NAME FROM VELDA.MXCFSYS AT (\"PLXA:THRU\")", error);
    ASSERT_TRUE(q) << error;
    std::vector<host::sql::Cell> cells;
    ASSERT_EQ(q->next(cells, error), Query::Step::Row);
    EXPECT_EQ(cells[0].bytes, "SYSA    ");
    EXPECT_FALSE(snapshot->exec("DELETE FROM MXCFSYS;", error));
    EXPECT_NE(error.find("readonly"), std::string::npos) << error;
}

TEST_F(SnapshotFile, HoldsItsReadLockSoEveryStatementSeesTheSameData) {
    make(std::string(host::sql::schemaText()) + "INSERT INTO MXCFSYS (AT_NODE, SYS_NAME) VALUES ('P', 'SYSA');");
    std::string error;
    auto snapshot = Snapshot::openFile(path, error);
    ASSERT_TRUE(snapshot) << error;
    const std::string members = "SELECT SYS_NAME FROM VELDA.MXCFSYS AT (\"P\")";
    std::vector<host::sql::Cell> cells;
    const auto count = [&] {
        auto q = Query::prepare(*snapshot, members, error);
        int n = 0;
        while (q && q->next(cells, error) == Query::Step::Row) ++n;
        return n;
    };
    EXPECT_EQ(count(), 1);

    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
    const char* insert = "INSERT INTO MXCFSYS (AT_NODE, SYS_NAME) VALUES ('P', 'SYSB');";
    EXPECT_EQ(sqlite3_exec(writer, insert, nullptr, nullptr, nullptr), SQLITE_BUSY);
    EXPECT_EQ(count(), 1);
    snapshot.reset();
    EXPECT_EQ(sqlite3_exec(writer, insert, nullptr, nullptr, nullptr), SQLITE_OK) << "released when closed";
    sqlite3_close(writer);
}

TEST_F(SnapshotFile, RefusesFilesThatAreNotSnapshots) {
    EXPECT_EQ(refusal(), "cannot open snapshot " + path + ": unable to open database file");

    { std::ofstream(path) << "not a database at all, just some text that is long enough to matter\n"; }
    EXPECT_EQ(refusal(), path + " is not an enterprise snapshot: file is not a database");

    make(schemaWith("CREATE TABLE ENQ_TASKS", "CREATE TABLE OTHER_TASKS",
                    schemaWith("CREATE INDEX ENQ_TASKS_AT ON ENQ_TASKS(AT_NODE, RIB);", "")));
    EXPECT_EQ(refusal(), path + " is not an enterprise snapshot: table ENQ_TASKS is missing");

    make(schemaWith("  ENQPFLAG    INT1\n);\n\nCREATE INDEX", "  OTHERFLAG   INT1\n);\n\nCREATE INDEX"));
    EXPECT_EQ(refusal(), path + " is not an enterprise snapshot: column ENQ_TASKS.ENQPFLAG is missing");

    make(schemaWith("MINOR_NAME  CHAR(255)", "MINOR_NAME  TEXT"));
    EXPECT_EQ(refusal(),
              path + " is not an enterprise snapshot: column ENQ_RESRC.MINOR_NAME is not declared with the schema's type");

    make(schemaWith("CREATE TABLE INODESTS (", "CREATE TABLE HUBNODES (") +
         "CREATE VIEW INODESTS AS SELECT * FROM HUBNODES;");
    EXPECT_EQ(refusal(), path + " is not an enterprise snapshot: INODESTS is a view, not a table");
}

TEST_F(SnapshotFile, TheBytesOfAFileOpenAsTheFileDoes) {
    make(std::string(host::sql::schemaText()) + "INSERT INTO MXCFSYS (AT_NODE, SYS_NAME) VALUES ('P', 'SYSA');");
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::string error;
    auto snapshot = Snapshot::openImage(data, bytes.size(), error);
    ASSERT_TRUE(snapshot) << error;
    auto q = Query::prepare(*snapshot, "SELECT SYS_NAME FROM VELDA.MXCFSYS AT (\"P\")", error);
    std::vector<host::sql::Cell> cells;
    ASSERT_TRUE(q) << error;
    ASSERT_EQ(q->next(cells, error), Query::Step::Row);
    EXPECT_EQ(cells[0].bytes, "SYSA    ");
    EXPECT_FALSE(snapshot->exec("DELETE FROM MXCFSYS;", error));

    EXPECT_FALSE(Snapshot::openImage(data, 100, error)) << "cut short";
    EXPECT_EQ(error.rfind("not an enterprise snapshot: ", 0), 0u) << error;
    EXPECT_FALSE(Snapshot::openImage(data, 0, error));
}

TEST(SnapshotScript, ReportsTheFailingStatementAndRefusesNul) {
    std::string error;
    auto snapshot = Snapshot::createInMemory(error);
    ASSERT_TRUE(snapshot) << error;
    EXPECT_FALSE(snapshot->exec("INSERT INTO NOSUCH VALUES (1);", error));
    EXPECT_EQ(error, "no such table: NOSUCH");
    EXPECT_FALSE(snapshot->exec(std::string("SELECT 1;\0DROP TABLE MXCFSYS;", 30), error));
    EXPECT_EQ(error, "the script contains a NUL character");
}

} // namespace
