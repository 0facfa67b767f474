// A check of the snapshot run on a connection of its own while the calling
// thread runs a request, so that the check costs no time on a machine with
// a second core. What the calling thread traces meanwhile is held back until
// the check passed: a file the check refuses shows nothing of the request.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <thread>

#include "picture/trace_relay.h"
#include "sql/snapshot.h"

namespace picture {

class CheckBeside {
public:
    // Starts `check` on `connection`, which must outlive this object and
    // which no other thread may touch until passed() returned.
    CheckBeside(host::sql::Snapshot& connection, std::function<bool(host::sql::Snapshot&)> check);
    CheckBeside(const CheckBeside&) = delete;
    CheckBeside& operator=(const CheckBeside&) = delete;

    // Waits for the check. When it passed, writes the held-back trace and
    // returns true; when it failed, drops it. Rethrows what the check threw.
    bool passed();

private:
    std::optional<TraceRelay::Capture> held_;
    std::function<bool(host::sql::Snapshot&)> check_;
    bool checked_ = true;
    std::exception_ptr fault_;
    // Last: joined first, also when the request throws, before what the
    // check writes goes.
    std::jthread thread_;
};

} // namespace picture
