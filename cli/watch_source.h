// Where each refresh of `mentrenq watch` comes from: a sample of the view as
// `record` takes it. The snapshot file is opened afresh every time, so that
// a file replaced under the command is read in its new version, and closed
// before the wait, so that the command never keeps a collector from
// writing. A file missing, locked or spoiled meanwhile is one refresh's
// problem, not the command's end. With a history, every refresh is also
// recorded there.
#pragma once

#include <memory>
#include <string>

#include "cli/snapshot_sample.h"
#include "cli/watch_frame.h"
#include "core/module.h"
#include "history/writer.h"

namespace cli {

class WatchSource {
public:
    // `dbFile` empty: the built-in demo; `enqplex`: an ENQPLEX predicate
    // value, empty for every Enqplex. The module must outlive the source.
    WatchSource(std::string dbFile, const host::Module& module, uint64_t storageLimit, std::string enqplex);

    // Records every refresh into `writer` from now on.
    void recordInto(std::unique_ptr<history::Writer> writer, std::string path);

    // Reads the snapshot and builds its picture, which stays valid until
    // the next call.
    RefreshResult refresh();

private:
    void record(const history::Sample& sample, RefreshResult& result);

    std::string dbFile_;
    std::string enqplex_;
    SampleTaker taker_;
    picture::Picture picture_;
    std::unique_ptr<history::Writer> writer_;
    std::string historyPath_;
    int64_t recorded_ = 0;
};

} // namespace cli
