// The data server of the fuzz targets: one in-memory snapshot, host and
// linked module kept across inputs, the snapshot's rows replaced for each.
// Every query is checked as the reliability tests check it; a broken
// promise aborts, so that the fuzzer keeps the input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/data_source.h"
#include "core/host.h"
#include "core/module.h"
#include "core/session.h"
#include "sql/snapshot.h"

namespace fuzz {

struct QueryResult {
    int32_t start = -1;
    std::vector<int32_t> requests;
    int32_t end = -1;
    std::vector<zrx::MentrenqRow> rows;
    std::vector<std::string> statements;
};

class World {
public:
    static World& instance();

    // Empties every table, then runs `inserts` (INSERT statements).
    void load(const std::string& inserts);
    // Answers from `snapshot` from now on instead.
    void use(std::unique_ptr<host::sql::Snapshot> snapshot);
    // One whole query; aborts when a status is undocumented, when the
    // session leaves an object open or storage behind, when a statement is
    // not exactly one statement, or when rows break the rules.
    QueryResult run(const std::vector<host::Predicate>& predicates);

private:
    World();
    std::unique_ptr<host::sql::Snapshot> snapshot_;
    std::unique_ptr<host::SnapshotSource> source_;
    host::Host host_;
    std::unique_ptr<host::Module> module_;
};

[[noreturn]] void fail(const std::string& what);

// Text as a blob literal cast to text, so that any byte, NUL included,
// reaches a character column unchanged and still compares as text.
std::string blob(const std::string& bytes);

} // namespace fuzz
