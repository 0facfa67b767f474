#include "sql/snapshot.h"

#include <sqlite3.h>

#include <cstring>
#include <thread>
#include <utility>

#include "sql/capture.h"
#include "sql/file_reading.h"
#include "sql/schema.h"
#include "sql/statement_cache.h"
#include "sql/statement_shapes.h"

namespace host::sql {

namespace {

// Columns of the hub's own table that name nodes.
constexpr std::string_view hubNodeColumns[] = {"NODE", "THRUNODE"};

std::string quotedName(std::string_view name) {
    std::string quoted(1, '"');
    quoted += name;
    quoted += '"';
    return quoted;
}

// Fails with SQLite's message for `db`.
bool sqliteFailure(sqlite3* db, std::string& error) {
    error = db ? sqlite3_errmsg(db) : "out of memory";
    return false;
}

// A statement prepared at its first run and run again for one value after
// another: preparing costs far more than a run on a snapshot's small schema.
class RowQuery {
public:
    RowQuery(sqlite3* db, const char* sql) : db_(db), sql_(sql) {}
    ~RowQuery() { sqlite3_finalize(statement_); }
    RowQuery(const RowQuery&) = delete;
    RowQuery& operator=(const RowQuery&) = delete;

    // Runs it to its end for `parameter`; SQLITE_ROW rows go to `row`.
    template <typename RowFn>
    bool forEachRow(std::string_view parameter, RowFn row, std::string& error) {
        if (!statement_ && sqlite3_prepare_v2(db_, sql_, -1, &statement_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(statement_);
            statement_ = nullptr;
            return sqliteFailure(db_, error);
        }
        sqlite3_bind_text(statement_, 1, parameter.data(), static_cast<int>(parameter.size()), SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(statement_)) == SQLITE_ROW) row(statement_);
        // Reset at once, as finalizing did: the connection's error code is
        // the caller's to read (a lock is told apart by it).
        if (rc == SQLITE_DONE) {
            sqlite3_reset(statement_);
            return true;
        }
        sqlite3_finalize(statement_);
        statement_ = nullptr;
        return sqliteFailure(db_, error);
    }

private:
    sqlite3* db_;
    const char* sql_;
    sqlite3_stmt* statement_ = nullptr;
};

std::string textOf(sqlite3_stmt* s, int column) {
    const unsigned char* t = sqlite3_column_text(s, column);
    return t ? reinterpret_cast<const char*>(t) : "";
}

// Every table of the schema is there as a table, with every column declared
// with the type that tells how it is delivered; the optional CAPTURE, where
// it is there, has its column.
bool checkSchema(sqlite3* db, std::string& error) {
    RowQuery kinds(db, "SELECT type FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE");
    RowQuery columns(db, "SELECT name, type FROM pragma_table_info(?1)");
    for (const CatalogTable& table : catalog().tables) {
        std::string kind;
        if (!kinds.forEachRow(table.name, [&](sqlite3_stmt* s) { kind = textOf(s, 0); }, error)) return false;
        if (kind != "table") {
            error = kind.empty() ? "table " + table.name + " is missing" : table.name + " is a " + kind + ", not a table";
            return false;
        }
        std::vector<ColumnSpec> found;
        if (!columns.forEachRow(table.name,
                                [&](sqlite3_stmt* s) {
                                    ColumnSpec spec;
                                    spec.name = textOf(s, 0);
                                    if (!columnTypeFromDeclared(textOf(s, 1), spec)) spec.width = -1;
                                    found.push_back(std::move(spec));
                                },
                                error)) {
            return false;
        }
        for (const ColumnSpec& wanted : table.columns) {
            const ColumnSpec* match = nullptr;
            for (const ColumnSpec& f : found) {
                if (sameName(f.name, wanted.name)) match = &f;
            }
            if (!match) {
                error = "column " + table.name + "." + wanted.name + " is missing";
                return false;
            }
            if (match->type != wanted.type || match->width != wanted.width) {
                error = "column " + table.name + "." + wanted.name + " is not declared with the schema's type";
                return false;
            }
        }
    }
    return checkCaptureShape(db, error);
}

} // namespace

Snapshot::Snapshot(sqlite3* db, Kind kind)
    : db_(db), kind_(kind), statements_(std::make_unique<StatementCache>(db)),
      shapes_(std::make_unique<StatementShapes>()) {
    if (kind != Kind::File) version_.memory = SnapshotVersion::newSerial();
}

Snapshot::~Snapshot() {
    statements_.reset();
    sqlite3_close_v2(db_);
}

std::unique_ptr<Snapshot> Snapshot::openFile(const std::string& path, std::string& error, OpenFailure* failure,
                                             int busyTimeoutMs) {
    OpenFailure ignored;
    OpenFailure& why = failure ? *failure : ignored;
    why = OpenFailure::Refused;
    if (!catalog().error.empty()) {
        error = catalog().error;
        return nullptr;
    }
    auto reading = std::make_unique<FileReading>(path);
    // The file and its WAL before and after the first read: when they are
    // the same, the connection read that very file as it is now.
    const bool withWal = reading->mode() == FileReading::Mode::WalShared ||
                         reading->mode() == FileReading::Mode::WalPrivate;
    const auto stamps = [&] {
        std::pair<FileStamp, FileStamp> s{FileStamp::of(path, FileStamp::Header::Database), FileStamp{}};
        if (withWal) s.second = FileStamp::of(path + "-wal", FileStamp::Header::Wal);
        return s;
    };
    const auto before = stamps();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(reading->uri().c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                        reading->vfs()) != SQLITE_OK) {
        sqliteFailure(db, error);
        sqlite3_close(db);
        error = "cannot open snapshot " + path + ": " + error;
        return nullptr;
    }
    // The file comes from outside: nothing in it may run with trust.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    std::unique_ptr<Snapshot> snapshot(new Snapshot(db, Kind::File));
    snapshot->path_ = path;
    snapshot->reading_ = std::move(reading);
    snapshot->busyTimeout_ = std::chrono::milliseconds(busyTimeoutMs);
    sqlite3_busy_handler(db, &Snapshot::waitForLock, snapshot.get());
    // One read lock (or WAL read transaction) for all statements instead of
    // one per statement: every statement sees the same data, and the file is
    // not checked for changes at every statement. Exclusive locking mode
    // keeps a shared lock on a rollback-journal file once taken, and keeps
    // the index of a WAL read without shared memory in private memory; a WAL
    // that a writer's shared memory indexes is read in one transaction.
    const char* hold = snapshot->reading_->mode() == FileReading::Mode::WalShared ? "BEGIN;"
                                                                                   : "PRAGMA locking_mode = EXCLUSIVE;";
    if (!snapshot->exec(hold, error)) {
        error = "cannot open snapshot " + path + ": " + error;
        return nullptr;
    }
    if (!checkSchema(db, error)) {
        const int rc = sqlite3_errcode(db);
        if (snapshot->lockedOut_ || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            why = OpenFailure::Locked;
            error = path + ": " + lockedMessage;
        } else {
            error = path + " is not an enterprise snapshot: " + error;
        }
        return nullptr;
    }
    // Room for the whole of a large snapshot (32 MiB, taken only as pages are
    // read): with SQLite's 2 MiB a report read some pages from the file
    // again and again.
    if (!snapshot->exec("PRAGMA cache_size = -32768;", error)) {
        error = "cannot open snapshot " + path + ": " + error;
        return nullptr;
    }
    const auto after = stamps();
    snapshot->version_.file = path;
    snapshot->version_.database = after.first;
    snapshot->version_.wal = after.second;
    if (before != after) snapshot->version_.unsettled = SnapshotVersion::newSerial();
    why = OpenFailure::None;
    return snapshot;
}

std::unique_ptr<Snapshot> Snapshot::openImage(const unsigned char* bytes, std::size_t size, std::string& error) {
    auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(size ? size : 1));
    if (!copy) {
        error = "out of memory";
        return nullptr;
    }
    if (size) std::memcpy(copy, bytes, size);
    return adoptImage(copy, size, error);
}

std::unique_ptr<Snapshot> Snapshot::adoptImage(unsigned char* bytes, std::size_t size, std::string& error) {
    if (!catalog().error.empty()) {
        sqlite3_free(bytes);
        error = catalog().error;
        return nullptr;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_free(bytes);
        sqliteFailure(db, error);
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    std::unique_ptr<Snapshot> snapshot(new Snapshot(db, Kind::Image));
    const auto length = static_cast<sqlite3_int64>(size);
    // SQLite frees the bytes, also when it refuses them.
    if (sqlite3_deserialize(db, "main", bytes, length, length,
                            SQLITE_DESERIALIZE_READONLY | SQLITE_DESERIALIZE_FREEONCLOSE) != SQLITE_OK) {
        error = "not an enterprise snapshot: " + std::string(sqlite3_errmsg(db));
        return nullptr;
    }
    if (!checkSchema(db, error)) {
        error = "not an enterprise snapshot: " + error;
        return nullptr;
    }
    return snapshot;
}

std::unique_ptr<Snapshot> Snapshot::openSameVersion(Snapshot& first, std::string& error) {
    const SnapshotVersion wanted = first.version();
    if (first.kind_ != Kind::File) {
        sqlite3_int64 size = 0;
        unsigned char* bytes = sqlite3_serialize(first.db_, "main", &size, 0);
        if (!bytes) {
            error = "cannot copy the snapshot: out of memory";
            return nullptr;
        }
        auto copy = adoptImage(bytes, static_cast<std::size_t>(size), error);
        if (copy) copy->version_ = wanted;
        return copy;
    }
    if (!wanted.shareable()) {
        error = first.path_ + " changed while it was opened, so no other connection can be shown to read the same";
        return nullptr;
    }
    auto again = openFile(first.path_, error, nullptr, static_cast<int>(first.busyTimeout_.count()));
    if (!again) return nullptr;
    if (again->version() != wanted) {
        error = first.path_ + " was replaced or written since it was first opened";
        return nullptr;
    }
    return again;
}

int Snapshot::waitForLock(void* context, int attempts) {
    auto* self = static_cast<Snapshot*>(context);
    const auto now = std::chrono::steady_clock::now();
    if (attempts == 0) self->waitingSince_ = now;
    if (now - self->waitingSince_ >= self->busyTimeout_) {
        self->lockedOut_ = true;
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(attempts < 10 ? 1 : 20));
    return 1;
}

bool Snapshot::readingSpoiled(std::string& error) const {
    if (lockedOut_) {
        error = lockedMessage;
        return true;
    }
    return reading_ && !reading_->unchanged(error);
}

std::unique_ptr<Snapshot> Snapshot::createInMemory(std::string& error) {
    if (!catalog().error.empty()) {
        error = catalog().error;
        return nullptr;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqliteFailure(db, error);
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<Snapshot> snapshot(new Snapshot(db, Kind::Memory));
    if (!snapshot->exec(schemaText(), error)) return nullptr;
    return snapshot;
}

bool Snapshot::exec(std::string_view script, std::string& error) {
    if (script.find('\0') != std::string_view::npos) {
        error = "the script contains a NUL character";
        return false;
    }
    const std::string text(script);
    ++execs_;
    char* message = nullptr;
    const bool ok = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message) == SQLITE_OK;
    if (!ok) error = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    return ok;
}

namespace {

// Whether ?1 names a node: one EXISTS test per table that names nodes.
std::string nodeLookUpText() {
    std::string sql = "SELECT 0";
    for (const CatalogTable& table : catalog().tables) {
        std::string test;
        for (const ColumnSpec& column : table.columns) {
            bool names = table.routed ? sameName(column.name, routingColumn) : false;
            for (auto hub : hubNodeColumns) names = names || (!table.routed && sameName(column.name, hub));
            if (names) test += (test.empty() ? "" : " OR ") + quotedName(column.name) + " = ?1";
        }
        if (!test.empty()) sql += " OR EXISTS(SELECT 1 FROM " + quotedName(table.name) + " WHERE " + test + ")";
    }
    return sql;
}

} // namespace

bool Snapshot::lookUpNode(std::string_view node, bool& known, std::string& error) const {
    while (!node.empty() && node.back() == ' ') node.remove_suffix(1);
    static const std::string sql = nodeLookUpText();
    known = false;
    // Asked for every statement routed to a node: a node found stays known
    // until the data changes, and the prepared look-up is kept.
    unsigned version = 0;
    sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    if (version != knownVersion_) {
        knownNodes_.clear();
        knownVersion_ = version;
    }
    if (knownNodes_.count(std::string(node))) {
        known = true;
        return true;
    }
    auto lookUp = statements_->take(sql, error);
    if (!lookUp) return false;
    sqlite3_stmt* s = lookUp->statement;
    sqlite3_bind_text(s, 1, node.data(), static_cast<int>(node.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) known = sqlite3_column_int(s, 0) != 0;
    if (rc == SQLITE_DONE && known) knownNodes_.emplace(node);
    const bool ok = rc == SQLITE_DONE || sqliteFailure(db_, error);
    statements_->giveBack(std::move(lookUp));
    return ok;
}

bool Snapshot::knowsNode(std::string_view node) const {
    bool known = false;
    std::string error;
    return lookUpNode(node, known, error) && known;
}

sqlite3* Snapshot::db() { return db_; }

const SnapshotVersion& Snapshot::version() const {
    if (kind_ == Kind::Memory) version_.changes = execs_ + static_cast<uint64_t>(sqlite3_total_changes64(db_));
    return version_;
}

} // namespace host::sql
