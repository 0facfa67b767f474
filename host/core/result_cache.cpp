#include "core/result_cache.h"

#include <algorithm>

namespace host {

std::size_t CachedAnswer::bytes() const {
    std::size_t n = sizeof(CachedAnswer);
    for (const auto& c : columns) n += sizeof c + c.name.size();
    for (const auto& row : rows) {
        n += sizeof row + row.size() * sizeof(sql::Cell);
        for (const auto& cell : row) n += cell.bytes.size();
    }
    return n;
}

ResultCache::ResultCache(std::size_t capacityBytes)
    : capacity_(capacityBytes), kinds_{StatementKind::PlexHubs, StatementKind::ThruNodes, StatementKind::Members} {}

bool ResultCache::keeps(StatementKind kind) const {
    return std::find(kinds_.begin(), kinds_.end(), kind) != kinds_.end();
}

void ResultCache::settle(const sql::SnapshotVersion& version) {
    if (holdsVersion_ && version_ == version) return;
    if (!order_.empty()) ++figures_.versionsDropped;
    byText_.clear();
    order_.clear();
    figures_.answers = 0;
    figures_.bytes = 0;
    version_ = version;
    holdsVersion_ = true;
}

std::shared_ptr<const CachedAnswer> ResultCache::find(const sql::SnapshotVersion& version, std::string_view text) {
    std::lock_guard lock(mutex_);
    settle(version);
    const auto found = byText_.find(text);
    if (found == byText_.end()) {
        ++figures_.misses;
        return nullptr;
    }
    ++figures_.hits;
    order_.splice(order_.end(), order_, found->second);
    return found->second->answer;
}

void ResultCache::keep(const sql::SnapshotVersion& version, std::string_view text,
                       std::shared_ptr<const CachedAnswer> answer) {
    if (!answer) return;
    const std::size_t bytes = answer->bytes() + text.size() + sizeof(Kept);
    if (bytes > largestAnswer()) return;
    std::lock_guard lock(mutex_);
    settle(version);
    if (byText_.count(text)) return; // another thread read it meanwhile
    while (!order_.empty() && figures_.bytes + bytes > capacity_) {
        byText_.erase(order_.front().text);
        figures_.bytes -= order_.front().bytes;
        --figures_.answers;
        ++figures_.evicted;
        order_.pop_front();
    }
    order_.push_back({std::string(text), std::move(answer), bytes});
    byText_.emplace(order_.back().text, std::prev(order_.end()));
    figures_.bytes += bytes;
    ++figures_.answers;
}

ResultCache::Figures ResultCache::figures() const {
    std::lock_guard lock(mutex_);
    Figures f = figures_;
    for (const Reader* reader : readers_) f.hits += reader->hits_.load(std::memory_order_relaxed);
    return f;
}

ResultCache::Reader::Reader(ResultCache& cache) : cache_(cache) {
    std::lock_guard lock(cache_.mutex_);
    cache_.readers_.push_back(this);
}

ResultCache::Reader::~Reader() {
    std::lock_guard lock(cache_.mutex_);
    cache_.figures_.hits += hits_.load(std::memory_order_relaxed);
    std::erase(cache_.readers_, this);
}

std::shared_ptr<const CachedAnswer> ResultCache::Reader::find(const sql::SnapshotVersion& version,
                                                              std::string_view text) {
    if (!holdsVersion_ || !(version_ == version)) {
        answers_.clear();
        bytes_ = 0;
        version_ = version;
        holdsVersion_ = true;
    }
    if (const auto found = answers_.find(text); found != answers_.end()) {
        hits_.store(hits_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        return found->second;
    }
    std::shared_ptr<const CachedAnswer> shared = cache_.find(version, text);
    if (!shared) return nullptr;
    // A copy of its own: handing out the cache's answer on two threads at
    // once would have both cores count its references on one cache line.
    auto answer = std::make_shared<const CachedAnswer>(*shared);
    const std::size_t bytes = answer->bytes() + text.size();
    if (bytes_ + bytes > cache_.largestAnswer()) {
        answers_.clear();
        bytes_ = 0;
    }
    if (bytes <= cache_.largestAnswer()) {
        answers_.emplace(std::string(text), answer);
        bytes_ += bytes;
    }
    return answer;
}

} // namespace host
