// Who blocks whom, written for people and tools: each contended resource of
// each Enqplex of a picture with its owners and waiters.
#pragma once

#include <ostream>
#include <string>

#include "picture/picture.h"

namespace cli {

// "JOBNAME  on SYSNAME  ASID X'0055'  exclusive": a task as the tree shows it.
std::string taskLine(const picture::Task& task);

// "No contention." only when the report ended normally without rows and the
// view read every configured System; a "Not seen:" line at the end for each
// thing it passed over. DOT shows those as the graph's label.
void writeTreeText(std::ostream& out, const picture::Picture& tree);
// `onlyEnqplex`: the resources of that Enqplex alone, as a picture asked for
// it would hold them.
void writeTreeJson(std::ostream& out, const picture::Picture& tree, const std::string* onlyEnqplex = nullptr);
// The command's JSON when the report failed: the array inside an object that
// says so ({"status", "error", "tree"}), so that a reader of the JSON alone
// cannot take a failure for an empty tree.
void writeFailedTreeJson(std::ostream& out, const picture::Picture& tree);
void writeTreeDot(std::ostream& out, const picture::Picture& tree);

} // namespace cli
