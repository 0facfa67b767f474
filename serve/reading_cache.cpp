#include "serve/reading_cache.h"

namespace serve {

namespace {

// Predicates as one key: column, operator and value, each length-prefixed
// so that no value can pass for another.
std::string keyOf(const std::vector<host::Predicate>& predicates) {
    std::string key;
    for (const auto& p : predicates) {
        for (const std::string* part : {&p.column, &p.value}) key += std::to_string(part->size()) + ":" + *part;
        key += std::to_string(static_cast<int>(p.op)) + ";";
    }
    return key;
}

} // namespace

ReadingCache::ReadingCache(const ViewSource& source, std::size_t queries) : source_(source), queryLimit_(queries) {}

std::shared_ptr<const Reading> ReadingCache::reading() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const StampPair now = source_.currentStamp();
        if (current_ && currentKept_ && current_->stamp == now) {
            ++hits_;
            return current_;
        }
        if (!building_) break;
        // Another request is reading: its reading is likely the one wanted.
        built_.wait(lock, [this] { return !building_; });
    }
    building_ = true;
    lock.unlock();
    bool keep = true;
    std::shared_ptr<const Reading> fresh;
    try {
        fresh = source_.read(keep);
    } catch (...) {
        lock.lock();
        building_ = false;
        built_.notify_all();
        throw;
    }
    lock.lock();
    current_ = fresh;
    currentKept_ = keep;
    ++reads_;
    building_ = false;
    built_.notify_all();
    return fresh;
}

std::shared_ptr<const QueryAnswer> ReadingCache::query(const std::vector<host::Predicate>& predicates) {
    const std::string key = keyOf(predicates);
    const StampPair now = source_.currentStamp();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queriesStamp_ == now) {
            if (auto found = queries_.find(key); found != queries_.end()) {
                ++hits_;
                return found->second;
            }
        }
    }
    auto answer = std::make_shared<const QueryAnswer>(source_.query(predicates));
    std::lock_guard<std::mutex> lock(mutex_);
    ++reads_;
    if (!answer->keep) return answer;
    if (queriesStamp_ != answer->stamp) {
        queries_.clear();
        queriesStamp_ = answer->stamp;
    }
    if (queries_.size() >= queryLimit_) queries_.clear();
    queries_[key] = answer;
    return answer;
}

std::shared_ptr<const Reading> ReadingCache::last() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

uint64_t ReadingCache::reads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reads_;
}

uint64_t ReadingCache::hits() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hits_;
}

} // namespace serve
