// Where each refresh of `mentrenq watch` comes from: the snapshot file is
// opened afresh every time, so that a file replaced under the command is
// read in its new version, and closed before the wait, so that the command
// never keeps a collector from writing. A file missing, locked or spoiled
// meanwhile is one refresh's problem, not the command's end.
#pragma once

#include <string>

#include "cli/watch_frame.h"
#include "core/module.h"
#include "picture/builder.h"

namespace cli {

class WatchSource {
public:
    // `dbFile` empty: the built-in demo. The module must outlive the source.
    WatchSource(std::string dbFile, const host::Module& module, picture::PictureOptions options);

    // Reads the snapshot and builds its picture, which stays valid until
    // the next call.
    RefreshResult refresh();

private:
    std::string dbFile_;
    const host::Module& module_;
    picture::PictureOptions options_;
    picture::Picture picture_;
};

} // namespace cli
