#include "picture/check_beside.h"

#include <utility>
#include <vector>

#include "picture/view_trace.h"
#include "platform/trace_control.h"

namespace picture {

CheckBeside::CheckBeside(host::sql::Snapshot& connection, std::function<bool(host::sql::Snapshot&)> check,
                         std::function<void(host::sql::Snapshot&, std::stop_token)> afterwards)
    : check_(std::move(check)), afterwards_(std::move(afterwards)) {
    if (userTraceIsOn()) held_.emplace();
    thread_ = std::jthread([this, &connection](std::stop_token stop) {
        try {
            checked_ = check_(connection);
            if (checked_ && afterwards_) afterwards_(connection, stop);
        } catch (...) {
            fault_ = std::current_exception();
        }
    });
}

bool CheckBeside::passed() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
    std::vector<platform::TraceRecord> held = held_ ? held_->take() : std::vector<platform::TraceRecord>{};
    held_.reset();
    if (fault_) std::rethrow_exception(fault_);
    if (!checked_) return false;
    for (const auto& record : held) platform::writeTrace(record);
    return true;
}

} // namespace picture
