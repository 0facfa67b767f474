// The server's connections and the threads that serve them: a fixed number
// of workers, and a bounded number of connections that wait for one. A
// connection beyond that bound is not left waiting: one of two rejecting
// threads reads its request and answers 503 with Retry-After at once. Once
// the server is stopping, new connections are answered the same way while
// those accepted before are served to the end.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace serve {

// Why the calling thread is serving its connection; handlers ask.
enum class ConnectionMode { Serve, Busy, Stopping };
ConnectionMode connectionMode();

class ConnectionQueue : public httplib::TaskQueue {
public:
    // `workers` threads serve; `waiting` connections may wait for them.
    ConnectionQueue(std::size_t workers, std::size_t waiting);
    ~ConnectionQueue() override;

    void enqueue(std::function<void()> fn) override;
    // Runs what was accepted to its end, then ends the threads.
    void shutdown() override;

    // From now on, new connections are answered "stopping".
    void startStopping();
    // Blocks until every connection accepted before startStopping() was
    // served, or `limit` passed; false when it passed.
    bool waitForServed(std::chrono::milliseconds limit);

    // Connections being served or waiting for a worker.
    std::size_t active() const;

private:
    struct Job {
        std::function<void()> fn;
        ConnectionMode mode;
    };
    void work(std::deque<Job>& jobs, bool counted);

    const std::size_t workers_, waiting_;
    // Connections answered by the rejecting threads that may wait for them;
    // beyond it, accepting pauses.
    const std::size_t rejectWaiting_;
    mutable std::mutex mutex_;
    std::condition_variable ready_, changed_;
    std::deque<Job> jobs_, rejects_;
    std::size_t active_ = 0;
    bool stopping_ = false;
    bool shutdown_ = false;
    std::vector<std::thread> threads_;
};

} // namespace serve
