// Writing a file the user named with --out, without ever destroying another:
// the target must be a new path, or a regular file and --force; the bytes
// go to a new file in the same folder, which then takes the target's name.
#pragma once

#include <functional>
#include <string>

namespace cli {

// Whether `path` may be written: false, with one line, for anything but a
// new path or (with `force`) a regular file. The caller treats this as a
// usage error.
bool outputAllowed(const std::string& path, bool force, std::string& error);

// Calls `write` with the path of a new, empty temporary file beside `path`,
// then gives it the name `path`. Without `force`, a file that appeared at
// `path` meanwhile is kept and the write fails; with `force`, `path` is
// replaced only if it is still the regular file that outputAllowed saw, or
// absent. On any failure the temporary file is removed and `error` names
// `path`.
bool writeOutputFile(const std::string& path, bool force,
                     const std::function<bool(const std::string& temporary, std::string& error)>& write,
                     std::string& error);

} // namespace cli
