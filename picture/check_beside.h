// A check of the snapshot run on a connection of its own while the calling
// thread runs a request, so that the check costs no time on a machine with
// a second core. What the calling thread traces meanwhile is held back until
// the check passed: a file the check refuses shows nothing of the request.
// Once the check passed, the connection may serve other work until the
// request is done.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <stop_token>
#include <thread>

#include "picture/trace_relay.h"
#include "sql/snapshot.h"

namespace picture {

class CheckBeside {
public:
    // Starts `check` on `connection`, which must outlive this object and
    // which no other thread may touch until passed() returned; when it
    // passed, `afterwards` runs on the connection until asked to stop.
    CheckBeside(host::sql::Snapshot& connection, std::function<bool(host::sql::Snapshot&)> check,
                std::function<void(host::sql::Snapshot&, std::stop_token)> afterwards = {});
    CheckBeside(const CheckBeside&) = delete;
    CheckBeside& operator=(const CheckBeside&) = delete;

    // Stops what runs after the check and waits. When the check passed, writes the held-back trace and
    // returns true; when it failed, drops it. Rethrows what the check threw.
    bool passed();

private:
    std::optional<TraceRelay::Capture> held_;
    std::function<bool(host::sql::Snapshot&)> check_;
    std::function<void(host::sql::Snapshot&, std::stop_token)> afterwards_;
    bool checked_ = true;
    std::exception_ptr fault_;
    // Last: stopped and joined first, also when the request throws, before
    // what the check writes goes.
    std::jthread thread_;
};

} // namespace picture
