// Bytes become a whole snapshot file, read as the host reads one: refused
// when it is no snapshot, checked for values its columns cannot deliver,
// and, when it passes, a report query and a query for the resource of its
// first summary row run on it.
#include <sqlite3.h>

#include "fuzz_world.h"
#include "sql/value_check.h"

namespace {

std::string textAt(sqlite3_stmt* s, int column) {
    const auto* t = static_cast<const char*>(sqlite3_column_blob(s, column));
    return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(s, column))) : "";
}

// The first summary row's resource and the first member's Enqplex (the
// default when none is named): a query for one resource that may find it.
std::vector<host::Predicate> firstResource(sqlite3* db) {
    std::string major = "SYSDSN", minor = "A", enqplex = "*DEFAULT";
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT (SELECT MAJORNAME FROM MGLBLENQ LIMIT 1), (SELECT MINORNAME FROM MGLBLENQ LIMIT 1), "
                           "(SELECT ENQPLEX FROM MXCFSYS WHERE ENQPLEX <> '' LIMIT 1)",
                           -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW) {
        if (sqlite3_column_type(s, 0) != SQLITE_NULL) major = textAt(s, 0);
        if (sqlite3_column_type(s, 1) != SQLITE_NULL) minor = textAt(s, 1);
        if (sqlite3_column_type(s, 2) != SQLITE_NULL) enqplex = textAt(s, 2).substr(0, textAt(s, 2).find('.'));
    }
    sqlite3_finalize(s);
    return host::Predicate::resource(major, minor, enqplex);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    auto snapshot = host::sql::Snapshot::openImage(data, size, error);
    if (!snapshot) return 0;
    // A damaged page fails the check and the file is refused; a check that
    // passes finds the same first problem with a limit per table.
    std::vector<host::sql::ValueProblem> all, first;
    if (!host::sql::checkValues(snapshot->db(), 0, all, error)) return 0;
    if (!host::sql::checkValues(snapshot->db(), 1, first, error)) fuzz::fail("the check failed only with a limit");
    if (first.size() > all.size()) fuzz::fail("a limit found more problems than none");
    if (!first.empty() && first.front().line() != all.front().line())
        fuzz::fail("the first problem differs with a limit: " + all.front().line());
    if (!all.empty()) return 0;
    const auto single = firstResource(snapshot->db());
    fuzz::World& world = fuzz::World::instance();
    world.use(std::move(snapshot));
    world.run({host::Predicate::report()});
    world.run(single);
    return 0;
}
