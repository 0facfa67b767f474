// Only histories are opened: anything else is refused with one line and
// left exactly as it was, nothing created beside it; one writer at a time.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "history/history_file.h"
#include "history_fixture.h"

namespace {

using namespace historytest;

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

class ForeignFiles : public ::testing::Test {
protected:
    void TearDown() override {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
        ::rmdir(path.c_str());
    }

    void sqlite(const std::string& script) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    // Both the writer and the reader refuse it with `why`, and the file and
    // its surroundings stay as they were.
    void expectRefused(const std::string& why) {
        const std::string before = contentOf(path);
        std::string error;
        history::OpenProblem problem = history::OpenProblem::None;
        EXPECT_FALSE(history::Writer::open(path, error, problem));
        EXPECT_EQ(problem, history::OpenProblem::Refused);
        EXPECT_EQ(error, why);
        EXPECT_FALSE(history::Reader::open(path, error, problem));
        EXPECT_EQ(error, why);
        EXPECT_EQ(contentOf(path), before);
        EXPECT_FALSE(exists(path + "-wal"));
        EXPECT_FALSE(exists(path + "-shm"));
    }

    const std::string path = testPath(".foreign");
};

TEST_F(ForeignFiles, TextEmptyAndOtherDatabasesAreRefusedUntouched) {
    std::ofstream(path) << "a file of someone else's\n";
    expectRefused(path + " is not a history of mentrenq: it is not a SQLite database");
    std::ofstream(path, std::ios::trunc).close();
    expectRefused(path + " is not a history of mentrenq: it is not a SQLite database");
    std::remove(path.c_str());
    sqlite("PRAGMA journal_mode = WAL; CREATE TABLE SAMPLES (ID INTEGER);");
    expectRefused(path + " is not a history of mentrenq: it is another kind of SQLite database");
    std::remove(path.c_str());
    sqlite("PRAGMA application_id = " + std::to_string(history::applicationId) + "; PRAGMA user_version = 2;"
           "CREATE TABLE SAMPLES (ID INTEGER);");
    expectRefused(path + " is a history of version 2; this mentrenq reads version 1");
}

TEST_F(ForeignFiles, LinksDirectoriesAndFifosAreRefused) {
    const std::string target = testPath(".target");
    ASSERT_TRUE(makeHistory(target));
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    expectRefused(path + " is not a history of mentrenq: it is a symbolic link");
    std::remove(path.c_str());
    removeHistory(target);
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    std::string error;
    history::OpenProblem problem;
    EXPECT_FALSE(history::Writer::open(path, error, problem));
    EXPECT_EQ(error, path + " is not a history of mentrenq: it is a directory");
    ::rmdir(path.c_str());
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(history::Reader::open(path, error, problem));
    EXPECT_EQ(error, path + " is not a history of mentrenq: it is a FIFO");
}

TEST_F(ForeignFiles, AMissingFileIsNoHistory) {
    std::string error;
    history::OpenProblem problem;
    EXPECT_FALSE(history::Reader::open(path, error, problem));
    EXPECT_EQ(error, "no history " + path);
    EXPECT_FALSE(exists(path));
}

TEST_F(HistoryFile, ASecondWriterIsTurnedAwayWhileTheFirstRecords) {
    std::string error;
    history::OpenProblem problem;
    EXPECT_FALSE(history::Writer::open(path, error, problem));
    EXPECT_EQ(problem, history::OpenProblem::Busy);
    EXPECT_EQ(error, path + " is being recorded by another process");
    // Readers are welcome, and closing them leaves the writer's locks alone.
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(reader());
    writer.reset();
    writer = history::Writer::open(path, error, problem);
    EXPECT_TRUE(writer) << error;
}

TEST_F(HistoryFile, ANewHistoryCarriesItsVersionAndIsInWalMode) {
    const history::FileLook look = history::lookAtFile(path);
    EXPECT_EQ(look.kind, history::FileKind::History);
    Look sql(path);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(sql.db, "PRAGMA journal_mode", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "wal");
    sqlite3_finalize(s);
}

} // namespace
