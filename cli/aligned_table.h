// The command's one writer of aligned tables: `query --format table` and
// the results of `sql`.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// A header, a rule of '-' as wide as each column, then the rows; columns
// two blanks apart, each line without trailing blanks. The cells of a
// right-aligned column (not its header) are padded on the left. Control
// characters (and DEL) in any cell become '.', so that a value cannot break
// the lines or drive the terminal.
void writeAlignedTable(std::ostream& out, const std::vector<std::string>& header,
                       const std::vector<std::vector<std::string>>& rows,
                       const std::vector<bool>& rightAligned = {});

} // namespace cli
