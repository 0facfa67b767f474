// An enterprise snapshot: a SQLite database made with the snapshot schema.
// A snapshot serves one thread at a time: it keeps the statements prepared on
// it and the nodes it found, and its connection takes no lock of its own.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

struct sqlite3;

namespace host::sql {

class StatementCache;
class StatementShapes;

class Snapshot {
public:
    // Opens an existing snapshot read-only. Refuses, with a message that
    // names the file, a file that cannot be opened or lacks a table or
    // column of the schema, or declares a column with another type. The
    // file's read lock is held from the first read until the snapshot is
    // closed, so every statement sees the same data.
    static std::unique_ptr<Snapshot> openFile(const std::string& path, std::string& error);

    // An empty snapshot in memory, the schema applied.
    static std::unique_ptr<Snapshot> createInMemory(std::string& error);

    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    // Runs a script of SQLite statements, e.g. the INSERTs of a scenario.
    bool exec(std::string_view script, std::string& error);

    // A node is known when INODESTS names it (NODE or THRUNODE) or a row of
    // a routed table carries it in AT_NODE. Trailing blanks do not count.
    bool knowsNode(std::string_view node) const;

    // As knowsNode, telling a failed look-up apart from an unknown node.
    bool lookUpNode(std::string_view node, bool& known, std::string& error) const;

    sqlite3* db();

    // The statements prepared on this snapshot, kept for reuse.
    StatementCache& statements() { return *statements_; }
    // The shapes of the statements read on this snapshot.
    StatementShapes& shapes() { return *shapes_; }

private:
    explicit Snapshot(sqlite3* db);

    sqlite3* db_;
    std::unique_ptr<StatementCache> statements_;
    std::unique_ptr<StatementShapes> shapes_;
    mutable std::unordered_set<std::string> knownNodes_; // found at data version knownVersion_
    mutable unsigned knownVersion_ = 0;
};

} // namespace host::sql
