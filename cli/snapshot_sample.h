// One sample of the view on a snapshot file, as record keeps it: the file
// read as one version, its capture time and identity, and the picture tree
// builds from it (the report and each contended resource's owners and
// waiters). Whatever goes wrong becomes a
// failed sample that says why, never an empty one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/module.h"
#include "history/sample.h"
#include "picture/view_trace.h"

namespace cli {

class SampleTaker {
public:
    // `storageLimit`: bytes one session of the data server may obtain;
    // `jobs`: threads that ask about the resources (0: one per core).
    SampleTaker(const host::Module& module, uint64_t storageLimit, int jobs = 0);

    // Reads `snapshot` and runs the view on it.
    history::Sample take(const std::string& snapshot);
    // What the view of the last sample taken passed over of the
    // configuration; a sample does not keep it.
    const picture::PassedOver& passedOver() const { return passedOver_; }

private:
    bool takeOnce(const std::string& snapshot, history::Sample& sample, bool& changed);

    const host::Module& module_;
    uint64_t storageLimit_;
    int jobs_;
    picture::PassedOver passedOver_;
};

// The capture time of a snapshot file, without running the view: nothing
// when it has none. False with a message when it is not a snapshot.
bool snapshotCaptureTime(const std::string& snapshot, std::optional<int64_t>& taken, std::string& error);

} // namespace cli
