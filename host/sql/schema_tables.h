// The tables and columns that the snapshot schema's CREATE TABLE statements
// declare, read from the script's text. Every run that opens a snapshot
// needs them; reading them this way costs a few thousand instructions,
// where applying the script to a scratch database and asking SQLite cost
// a fifth of a small report's run. The script is this program's own
// (enterprise.sql); the reader takes what SQLite would and refuses, with a
// message, any statement it does not know rather than guess.
#pragma once

#include <string>
#include <string_view>

#include "sql/schema.h"

namespace host::sql {

// Fills `out.tables` in creation order, without CAPTURE (capture.h), from
// `script`. False with one line saying what it could not read.
bool readSchemaTables(std::string_view script, Catalog& out, std::string& error);

} // namespace host::sql
