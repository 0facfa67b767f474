#include "picture/picture.h"

namespace picture {

bool Picture::complete() const {
    if (!report.endedNormally() || !snapshotProblem.empty()) return false;
    for (const auto& r : resources)
        if (!r.unavailable.empty()) return false;
    return true;
}

std::vector<Gap> Picture::gaps() const {
    std::vector<Gap> gaps;
    for (const auto& group : enqplexes)
        for (std::size_t place : group.resources) {
            const Resource& r = resources[place];
            if (!r.unavailable.empty()) gaps.push_back({r.enqplex, r.major, r.minor, r.unavailable});
        }
    return gaps;
}

} // namespace picture
