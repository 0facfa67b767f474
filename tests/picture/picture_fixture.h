// Enterprises, snapshot files and comparisons for the picture's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "picture/picture.h"
#include "scenarios/generator.h"

namespace picturetest {

// Three Enqplexes of two Sysplexes of two Systems, a few dozen contended
// resources each.
scenarios::GeneratorOptions smallEnterprise();

// The INSERTs of an enterprise.
std::string enterpriseSql(const scenarios::GeneratorOptions& options);

// Writes a snapshot file of the schema and `sql` at `path` (which must not
// exist) and returns the path.
std::string writeSnapshotFile(const std::string& path, const std::string& sql);

// A fresh path in the test's temporary folder.
std::string temporaryPath(const std::string& name);

// Rows equal in every byte the view writes (the padding byte aside).
bool sameRow(const zrx::MentrenqRow& a, const zrx::MentrenqRow& b);

// Everything two pictures say about the enterprise, in the same order:
// rows, statuses, tasks, gaps. (Timings, threads and the snapshot's
// identity aside.)
void expectSamePicture(const picture::Picture& a, const picture::Picture& b);

// Whether two pictures differ in what they say.
bool samePicture(const picture::Picture& a, const picture::Picture& b);

} // namespace picturetest
