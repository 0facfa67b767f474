// The trace of requests run on several threads, handed to the program's
// sink in the order of the requests, so that it reads exactly as if they had
// run one after the other on one thread.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/trace_control.h"

namespace picture {

class TraceRelay {
public:
    explicit TraceRelay(std::size_t requests) : done_(requests) {}

    // Collects what the module writes on the calling thread while it lives.
    class Capture : public platform::TraceSink {
    public:
        Capture() { platform::setThreadTraceSink(this); }
        ~Capture() override { platform::setThreadTraceSink(nullptr); }
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;
        void write(const platform::TraceRecord& record) override { records_.push_back(record); }
        // What was written since the last call.
        std::vector<platform::TraceRecord> take() { return std::move(records_); }

    private:
        std::vector<platform::TraceRecord> records_;
    };

    // Request `index` wrote `records`; every request before it that has
    // ended and is not handed on yet goes on with it.
    void finished(std::size_t index, std::vector<platform::TraceRecord> records);

private:
    std::mutex mutex_;
    std::size_t next_ = 0;
    std::vector<std::optional<std::vector<platform::TraceRecord>>> done_;
};

} // namespace picture
