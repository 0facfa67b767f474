// The enterprise a command works on: a snapshot file, or the built-in demo.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "sql/snapshot.h"

namespace cli {

// `dbFile` empty: the demo enterprise, in memory. Otherwise the file,
// read-only; null with a message when it is missing or not a snapshot, or
// (`locked` set) when another process kept it locked.
std::unique_ptr<host::sql::Snapshot> openEnterprise(const std::string& dbFile, std::string& error, bool& locked);

// Writes a snapshot file made of the schema and `script` (INSERTs) as an
// output file (output_file.h): a new path, or a regular file with `force`.
bool writeSnapshotFile(const std::string& path, std::string_view script, bool force, std::string& error);

} // namespace cli
