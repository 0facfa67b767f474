// The last reading of the snapshot, kept while the file stays as it was:
// a request for an unchanged snapshot is answered from it, and the first
// request that finds the file changed reads it afresh while the others that
// need it wait for that one reading instead of starting their own. Answers
// to other queries are kept beside it, for the same version only.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "serve/view_source.h"

namespace serve {

class ReadingCache {
public:
    // `queries`: how many answers to other queries are kept at most.
    explicit ReadingCache(const ViewSource& source, std::size_t queries = 64);

    std::shared_ptr<const Reading> reading();
    std::shared_ptr<const QueryAnswer> query(const std::vector<host::Predicate>& predicates);

    // The last reading made, without looking at the file; null before the first.
    std::shared_ptr<const Reading> last() const;

    // Readings and query answers made afresh, and those answered from what was kept.
    uint64_t reads() const;
    uint64_t hits() const;

private:
    const ViewSource& source_;
    std::size_t queryLimit_;
    mutable std::mutex mutex_;
    std::condition_variable built_;
    bool building_ = false;
    std::shared_ptr<const Reading> current_;
    bool currentKept_ = false;
    StampPair queriesStamp_;
    std::map<std::string, std::shared_ptr<const QueryAnswer>> queries_;
    uint64_t reads_ = 0;
    uint64_t hits_ = 0;
};

} // namespace serve
