#include "cli/enterprise_source.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include "cli/message_text.h"
#include "cli/output_file.h"
#include "scenarios/texts.h"

namespace cli {

std::unique_ptr<host::sql::Snapshot> openEnterprise(const std::string& dbFile, std::string& error, bool& locked) {
    locked = false;
    if (dbFile.empty()) {
        auto snapshot = host::sql::Snapshot::createInMemory(error);
        if (snapshot && !snapshot->exec(scenarios::demoEnterpriseSql(), error)) return nullptr;
        return snapshot;
    }
    struct stat st {};
    if (::stat(dbFile.c_str(), &st) != 0) {
        error = "no snapshot file " + shownName(dbFile);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = shownName(dbFile) + " is not a file";
        return nullptr;
    }
    auto failure = host::sql::Snapshot::OpenFailure::None;
    auto snapshot = host::sql::Snapshot::openFile(dbFile, error, &failure);
    locked = failure == host::sql::Snapshot::OpenFailure::Locked;
    return snapshot;
}

bool writeSnapshotFile(const std::string& path, std::string_view script, bool force, std::string& error) {
    auto snapshot = host::sql::Snapshot::createInMemory(error);
    if (!snapshot) return false;
    if (!snapshot->exec("BEGIN;", error) || !snapshot->exec(script, error) ||
        !snapshot->exec("COMMIT;", error))
        return false;
    // VACUUM INTO accepts the empty temporary file that writeOutputFile made.
    auto vacuumInto = [&](const std::string& temporary, std::string& why) {
        sqlite3_stmt* vacuum = nullptr;
        if (sqlite3_prepare_v2(snapshot->db(), "VACUUM INTO ?1", -1, &vacuum, nullptr) != SQLITE_OK) {
            why = sqlite3_errmsg(snapshot->db());
            return false;
        }
        sqlite3_bind_text(vacuum, 1, temporary.c_str(), -1, SQLITE_TRANSIENT);
        const bool done = sqlite3_step(vacuum) == SQLITE_DONE;
        if (!done) why = sqlite3_errmsg(snapshot->db());
        sqlite3_finalize(vacuum);
        return done;
    };
    return writeOutputFile(path, force, vacuumInto, error);
}

} // namespace cli
