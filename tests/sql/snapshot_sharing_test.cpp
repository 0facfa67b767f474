// Snapshot files that another process writes, in WAL mode, or in a place
// the reader may not write: one clear failure for a lock, and no file left
// beside the snapshot.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "sql/query.h"
#include "sql/schema.h"
#include "sql/snapshot.h"

namespace {

namespace fs = std::filesystem;
using host::sql::Query;
using host::sql::Snapshot;

class SharedSnapshot : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
        sqlite3* db = open(path);
        exec(db, std::string(host::sql::schemaText()) +
                     "INSERT INTO MXCFSYS (AT_NODE, SYS_NAME) VALUES ('P', 'SYSA');");
        sqlite3_close(db);
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }

    static sqlite3* open(const std::string& file) {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        return db;
    }
    static void exec(sqlite3* db, const std::string& sql) {
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
        sqlite3_free(message);
    }
    // The Systems of node P, as the host delivers them.
    static std::string systems(Snapshot& snapshot) {
        std::string error, names;
        auto q = Query::prepare(snapshot, "SELECT SYS_NAME FROM VELDA.MXCFSYS AT (\"P\")", error);
        std::vector<host::sql::Cell> cells;
        while (q && q->next(cells, error) == Query::Step::Row) names += cells[0].bytes;
        return names + error;
    }
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
        return names;
    }

    const std::string dir = ::testing::TempDir() + "zrx_sql_sharing_" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                            std::to_string(::getpid());
    const std::string path = dir + "/s.db";
};

TEST_F(SharedSnapshot, AWriteLockHeldPastTheTimeoutIsOneClearFailure) {
    sqlite3* writer = open(path);
    exec(writer, "BEGIN EXCLUSIVE; UPDATE MXCFSYS SET SYS_NAME = 'SYSB';");
    std::string error;
    auto failure = Snapshot::OpenFailure::None;
    EXPECT_FALSE(Snapshot::openFile(path, error, &failure, 50));
    EXPECT_EQ(failure, Snapshot::OpenFailure::Locked);
    EXPECT_EQ(error, path + ": snapshot is locked by another process");

    exec(writer, "COMMIT;");
    auto snapshot = Snapshot::openFile(path, error, &failure, 50);
    ASSERT_TRUE(snapshot) << error;
    EXPECT_EQ(failure, Snapshot::OpenFailure::None);
    EXPECT_EQ(systems(*snapshot), "SYSB    ");
    EXPECT_FALSE(snapshot->readingSpoiled(error)) << error;
    sqlite3_close(writer);
}

TEST_F(SharedSnapshot, AWalSnapshotLeavesNoFileBehind) {
    sqlite3* db = open(path);
    exec(db, "PRAGMA journal_mode = WAL; UPDATE MXCFSYS SET SYS_NAME = 'SYSW';");
    sqlite3_close(db);
    ASSERT_EQ(files(), std::set<std::string>{"s.db"});
    std::string error;
    auto snapshot = Snapshot::openFile(path, error);
    ASSERT_TRUE(snapshot) << error;
    EXPECT_EQ(systems(*snapshot), "SYSW    ");
    EXPECT_EQ(files(), std::set<std::string>{"s.db"});
    EXPECT_FALSE(snapshot->readingSpoiled(error)) << error;
    snapshot.reset();
    EXPECT_EQ(files(), std::set<std::string>{"s.db"});
}

TEST_F(SharedSnapshot, AWriterInWalModeKeepsWritingAndKeepsItsFiles) {
    sqlite3* writer = open(path);
    exec(writer, "PRAGMA journal_mode = WAL; UPDATE MXCFSYS SET SYS_NAME = 'SYSW';");
    const std::set<std::string> writers = {"s.db", "s.db-shm", "s.db-wal"};
    ASSERT_EQ(files(), writers);
    std::string error;
    auto snapshot = Snapshot::openFile(path, error);
    ASSERT_TRUE(snapshot) << error;
    EXPECT_EQ(systems(*snapshot), "SYSW    ");
    exec(writer, "UPDATE MXCFSYS SET SYS_NAME = 'SYSX';");
    EXPECT_EQ(systems(*snapshot), "SYSW    ") << "one read transaction for the whole run";
    EXPECT_FALSE(snapshot->readingSpoiled(error)) << error;
    snapshot.reset();
    EXPECT_EQ(files(), writers);
    exec(writer, "UPDATE MXCFSYS SET SYS_NAME = 'SYSY';");
    sqlite3_close(writer);
}

TEST_F(SharedSnapshot, AFileChangedUnderALockFreeReadSpoilsIt) {
    sqlite3* db = open(path);
    exec(db, "PRAGMA journal_mode = WAL;");
    sqlite3_close(db);
    std::string error;
    auto snapshot = Snapshot::openFile(path, error);
    ASSERT_TRUE(snapshot) << error;
    EXPECT_EQ(systems(*snapshot), "SYSA    ");
    sqlite3* writer = open(path);
    exec(writer, "UPDATE MXCFSYS SET SYS_NAME = 'SYSB'; PRAGMA wal_checkpoint(TRUNCATE);");
    sqlite3_close(writer);
    EXPECT_TRUE(snapshot->readingSpoiled(error));
    EXPECT_EQ(error, "the snapshot was changed by another process while it was read");
}

// What another process sees of the locks on the range where readers of a
// rollback-journal file hold their shared locks: 0 none, 1 a read lock, 2 it
// could not look.
int lockSeenFromAnotherProcess(const std::string& file) {
    const pid_t child = fork();
    if (child == 0) {
        const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0x40000002;
        lock.l_len = 510;
        if (fd < 0 || ::fcntl(fd, F_GETLK, &lock) != 0) _exit(2);
        _exit(lock.l_type == F_UNLCK ? 0 : lock.l_type == F_RDLCK ? 1 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

// Closing any descriptor of a file drops every lock the process holds on it:
// taking a version, or opening a second connection of the same version, must
// leave the first connection's read lock in place, or a writer could change
// the file under a reading that believes it sees one version.
TEST_F(SharedSnapshot, TheReadLockOutlivesVersionsAndFurtherConnections) {
    ASSERT_EQ(lockSeenFromAnotherProcess(path), 0);
    std::string error;
    auto first = Snapshot::openFile(path, error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(lockSeenFromAnotherProcess(path), 1) << "once opened";
    EXPECT_TRUE(host::sql::FileStamp::of(path, host::sql::FileStamp::Header::Database).exists);
    EXPECT_EQ(lockSeenFromAnotherProcess(path), 1) << "after its stamp was taken";
    auto second = Snapshot::openSameVersion(*first, error);
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(lockSeenFromAnotherProcess(path), 1) << "with a second connection";
    second.reset();
    EXPECT_EQ(lockSeenFromAnotherProcess(path), 1) << "after the second connection closed";
    EXPECT_EQ(systems(*first), "SYSA    ");

    first.reset();
    EXPECT_EQ(lockSeenFromAnotherProcess(path), 0);
}

// Runs `body` in a child process that cannot write in `dir` (as nobody when
// the test runs as root, whom permissions do not stop); its exit status.
template <typename Body>
int withoutWriteAccess(const std::string& dir, Body body) {
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
        if (::access(dir.c_str(), W_OK) == 0) _exit(91);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST_F(SharedSnapshot, AWalSnapshotOpensWhereNothingMayBeWritten) {
    sqlite3* writer = open(path);
    exec(writer, "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0; UPDATE MXCFSYS SET SYS_NAME = 'SYSW';");
    // A copy of the file with its WAL but without the WAL index, as a backup
    // or a read-only medium holds it; and one without its WAL.
    const std::string copy = dir + "/c.db", bare = dir + "/b.db";
    fs::copy_file(path, copy);
    fs::copy_file(path + "-wal", copy + "-wal");
    fs::copy_file(path, bare);
    sqlite3_close(writer);
    fs::remove(path);
    const std::set<std::string> before = files();
    const int status = withoutWriteAccess(dir, [&] {
        std::string error;
        auto withWal = Snapshot::openFile(copy, error);
        if (!withWal || systems(*withWal) != "SYSW    " || withWal->readingSpoiled(error)) return 1;
        auto withoutWal = Snapshot::openFile(bare, error);
        if (!withoutWal || systems(*withoutWal) != "SYSA    " || withoutWal->readingSpoiled(error)) return 2;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(files(), before);
}

} // namespace
