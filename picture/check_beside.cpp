#include "picture/check_beside.h"

#include <utility>
#include <vector>

#include "picture/view_trace.h"
#include "platform/trace_control.h"

namespace picture {

CheckBeside::CheckBeside(host::sql::Snapshot& connection, std::function<bool(host::sql::Snapshot&)> check)
    : check_(std::move(check)) {
    if (userTraceIsOn()) held_.emplace();
    thread_ = std::jthread([this, &connection] {
        try {
            checked_ = check_(connection);
        } catch (...) {
            fault_ = std::current_exception();
        }
    });
}

bool CheckBeside::passed() {
    if (thread_.joinable()) thread_.join();
    std::vector<platform::TraceRecord> held = held_ ? held_->take() : std::vector<platform::TraceRecord>{};
    held_.reset();
    if (fault_) std::rethrow_exception(fault_);
    if (!checked_) return false;
    for (const auto& record : held) platform::writeTrace(record);
    return true;
}

} // namespace picture
