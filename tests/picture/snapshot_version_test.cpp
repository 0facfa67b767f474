// Every connection of a picture reads the version of the snapshot that the
// caller's connection reads, even when a writer renames a new file into its
// place meanwhile; and no answer kept for one version is given for another.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <mutex>

#include "core/result_cache.h"
#include "frame/entries.h"
#include "picture/builder.h"
#include "picture_fixture.h"
#include "sql/snapshot.h"

namespace {

using picture::buildPicture;
using picture::Picture;
using picture::PictureOptions;
using picturetest::expectSamePicture;
using picturetest::samePicture;

std::unique_ptr<host::Module> linkedModule() {
    std::string error;
    auto module = host::Module::linked(&cnt1entd, error);
    EXPECT_TRUE(module) << error;
    return module;
}

std::unique_ptr<host::sql::Snapshot> openFile(const std::string& path) {
    std::string error;
    auto snapshot = host::sql::Snapshot::openFile(path, error);
    EXPECT_TRUE(snapshot) << error;
    return snapshot;
}

// The small enterprise, and the same with one Sysplex's Systems moved to
// another Enqplex: every answer about the members of that Sysplex changes.
std::string firstSql() { return picturetest::enterpriseSql(picturetest::smallEnterprise()); }
std::string secondSql() { return firstSql() + "UPDATE MXCFSYS SET ENQPLEX = 'MOVED' WHERE AT_NODE = 'RTEMS_PLX1A';"; }

// Writes the second enterprise beside `path` and renames it over `path`, as
// a writer that replaces the snapshot atomically does.
void replaceBySecond(const std::string& path) {
    const std::string next = picturetest::writeSnapshotFile(path + ".next", secondSql());
    ASSERT_EQ(std::rename(next.c_str(), path.c_str()), 0);
}

PictureOptions withJobs(int jobs, host::ResultCache* cache = nullptr) {
    PictureOptions options;
    options.jobs = jobs;
    options.cache = cache;
    return options;
}

TEST(SameVersion, AFileOpenedAgainReadsTheSameVersionUntilItIsReplaced) {
    const std::string path = picturetest::writeSnapshotFile(picturetest::temporaryPath("a.db"), firstSql());
    auto first = openFile(path);
    ASSERT_TRUE(first);
    const host::sql::SnapshotVersion version = first->version();
    EXPECT_TRUE(version.shareable());
    EXPECT_EQ(version.file, path);
    EXPECT_TRUE(version.database.exists);
    EXPECT_EQ(openFile(path)->version(), version);

    std::string error;
    auto again = host::sql::Snapshot::openSameVersion(*first, error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->version(), version);

    replaceBySecond(path);
    EXPECT_FALSE(host::sql::Snapshot::openSameVersion(*first, error));
    EXPECT_EQ(error, path + " was replaced or written since it was first opened");
    EXPECT_NE(openFile(path)->version(), version);
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

TEST(SameVersion, AWriteInPlaceIsANewVersionToo) {
    const std::string path = picturetest::writeSnapshotFile(picturetest::temporaryPath("b.db"), firstSql());
    const host::sql::SnapshotVersion before = openFile(path)->version();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    // Same size and, within a clock tick, the same time: the header tells.
    ASSERT_EQ(sqlite3_exec(db, "UPDATE MGLBLENQ SET WAITTIME = WAITTIME + 1 WHERE rowid = 1", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const host::sql::SnapshotVersion after = openFile(path)->version();
    EXPECT_NE(after.database.header, before.database.header);
    EXPECT_NE(after, before);
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

TEST(SameVersion, ASnapshotInMemoryIsCopiedAndMovesWithEveryChange) {
    std::string error;
    auto memory = host::sql::Snapshot::createInMemory(error);
    ASSERT_TRUE(memory) << error;
    ASSERT_TRUE(memory->exec(firstSql(), error)) << error;
    const auto version = memory->version();
    EXPECT_EQ(version.describe(), "in memory");
    auto copy = host::sql::Snapshot::openSameVersion(*memory, error);
    ASSERT_TRUE(copy) << error;
    EXPECT_EQ(copy->version(), version);
    ASSERT_TRUE(memory->exec("UPDATE MXCFSYS SET ENQPLEX = 'MOVED' WHERE rowid = 1", error)) << error;
    EXPECT_NE(memory->version(), version);
    EXPECT_EQ(copy->version(), version) << "the copy is not changed with it";
}

TEST(SameVersion, ThePictureReadsTheOpenedVersionWhenTheFileIsReplacedBeforeItsOtherConnectionsOpen) {
    const auto module = linkedModule();
    const std::string path = picturetest::writeSnapshotFile(picturetest::temporaryPath("c.db"), firstSql());
    auto snapshot = openFile(path);
    const Picture expected = buildPicture(*snapshot, *module, withJobs(1));

    // Replaced while the report runs: the other connections would read the
    // new file, so the requests stay on the caller's.
    PictureOptions options = withJobs(3);
    bool replaced = false;
    options.watchHost = [&](host::Host&, bool done) {
        if (!done && !replaced) {
            replaced = true;
            replaceBySecond(path);
        }
    };
    const Picture p = buildPicture(*snapshot, *module, options);
    EXPECT_EQ(p.jobs, 1);
    EXPECT_EQ(p.connectionNote, path + " was replaced or written since it was first opened");
    expectSamePicture(expected, p);
    EXPECT_EQ(p.snapshot.version, snapshot->version());
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

TEST(SameVersion, ThePictureReadsTheOpenedVersionWhenTheFileIsReplacedWhileItsRequestsRun) {
    const auto module = linkedModule();
    const std::string path = picturetest::writeSnapshotFile(picturetest::temporaryPath("d.db"), firstSql());
    auto snapshot = openFile(path);
    const Picture expected = buildPicture(*snapshot, *module, withJobs(1));

    // Replaced once every connection is open: each keeps reading the file it
    // opened.
    PictureOptions options = withJobs(3);
    std::mutex mutex;
    int hosts = 0;
    options.watchHost = [&](host::Host&, bool done) {
        std::lock_guard lock(mutex);
        if (!done && ++hosts == 2) replaceBySecond(path);
    };
    const Picture p = buildPicture(*snapshot, *module, options);
    EXPECT_EQ(p.jobs, 3) << p.connectionNote;
    EXPECT_TRUE(p.snapshotProblem.empty()) << p.snapshotProblem;
    expectSamePicture(expected, p);

    // The new file draws another picture.
    auto replaced = openFile(path);
    EXPECT_FALSE(samePicture(expected, buildPicture(*replaced, *module, withJobs(3))));
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

TEST(ResultCache, AReplacedFileIsNeverAnsweredFromTheCache) {
    const auto module = linkedModule();
    const std::string path = picturetest::writeSnapshotFile(picturetest::temporaryPath("e.db"), firstSql());
    host::ResultCache cache;
    auto first = openFile(path);
    const Picture before = buildPicture(*first, *module, withJobs(2, &cache));
    const auto kept = cache.figures();
    EXPECT_GT(kept.answers, 0u);
    EXPECT_GT(kept.hits, kept.misses) << "the requests of one picture ask the same questions";

    replaceBySecond(path);
    auto second = openFile(path);
    const Picture after = buildPicture(*second, *module, withJobs(2, &cache));
    EXPECT_EQ(cache.figures().versionsDropped, kept.versionsDropped + 1);
    const Picture fresh = buildPicture(*second, *module, withJobs(2));
    expectSamePicture(fresh, after);
    EXPECT_FALSE(samePicture(before, after));
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

TEST(ResultCache, AChangedSnapshotInMemoryIsNeverAnsweredFromTheCache) {
    const auto module = linkedModule();
    std::string error;
    auto memory = host::sql::Snapshot::createInMemory(error);
    ASSERT_TRUE(memory && memory->exec(firstSql(), error)) << error;
    host::ResultCache cache;
    const Picture before = buildPicture(*memory, *module, withJobs(2, &cache));
    ASSERT_TRUE(memory->exec("UPDATE MXCFSYS SET ENQPLEX = 'MOVED' WHERE AT_NODE = 'RTEMS_PLX1A';", error)) << error;
    const Picture after = buildPicture(*memory, *module, withJobs(2, &cache));
    EXPECT_FALSE(samePicture(before, after));
    expectSamePicture(buildPicture(*memory, *module, withJobs(1)), after);

    auto secondOnly = host::sql::Snapshot::createInMemory(error);
    ASSERT_TRUE(secondOnly && secondOnly->exec(secondSql(), error)) << error;
    expectSamePicture(buildPicture(*secondOnly, *module, withJobs(1)), after);
}

} // namespace
