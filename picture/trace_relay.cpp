#include "picture/trace_relay.h"

namespace picture {

void TraceRelay::finished(std::size_t index, std::vector<platform::TraceRecord> records) {
    std::lock_guard lock(mutex_);
    done_.at(index) = std::move(records);
    while (next_ < done_.size() && done_[next_]) {
        for (const auto& record : *done_[next_]) platform::writeTrace(record);
        done_[next_].reset();
        ++next_;
    }
}

} // namespace picture
