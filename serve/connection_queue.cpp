#include "serve/connection_queue.h"

namespace serve {

namespace {

constexpr std::size_t rejectingThreads = 2;
thread_local ConnectionMode mode = ConnectionMode::Serve;

} // namespace

ConnectionMode connectionMode() { return mode; }

ConnectionQueue::ConnectionQueue(std::size_t workers, std::size_t waiting)
    : workers_(workers), waiting_(waiting), rejectWaiting_(64) {
    for (std::size_t i = 0; i < workers_; ++i) threads_.emplace_back([this] { work(jobs_, true); });
    for (std::size_t i = 0; i < rejectingThreads; ++i) threads_.emplace_back([this] { work(rejects_, false); });
}

ConnectionQueue::~ConnectionQueue() { shutdown(); }

void ConnectionQueue::enqueue(std::function<void()> fn) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!stopping_ && active_ < workers_ + waiting_) {
        ++active_;
        jobs_.push_back({std::move(fn), ConnectionMode::Serve});
    } else {
        // Holding the accepting thread here leaves further connections to
        // the listening socket's backlog.
        changed_.wait(lock, [this] { return rejects_.size() < rejectWaiting_ || shutdown_; });
        rejects_.push_back({std::move(fn), stopping_ ? ConnectionMode::Stopping : ConnectionMode::Busy});
    }
    ready_.notify_all();
}

void ConnectionQueue::work(std::deque<Job>& jobs, bool counted) {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [&] { return !jobs.empty() || shutdown_; });
            if (jobs.empty()) return;
            job = std::move(jobs.front());
            jobs.pop_front();
            changed_.notify_all();
        }
        mode = job.mode;
        job.fn();
        mode = ConnectionMode::Serve;
        if (counted) {
            std::lock_guard<std::mutex> lock(mutex_);
            --active_;
            changed_.notify_all();
        }
    }
}

void ConnectionQueue::startStopping() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
}

bool ConnectionQueue::waitForServed(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return active_ == 0; });
}

std::size_t ConnectionQueue::active() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return active_;
}

void ConnectionQueue::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (shutdown_ && threads_.empty()) return;
        shutdown_ = true;
    }
    ready_.notify_all();
    changed_.notify_all();
    for (auto& t : threads_)
        if (t.joinable()) t.join();
    threads_.clear();
}

} // namespace serve
