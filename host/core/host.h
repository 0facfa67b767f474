// The reference data server: the state shared by its sessions (data source,
// interceptor, log, accounting). Sessions are in session.h. A host serves one
// thread at a time; sessions on several threads at once each need a host of
// their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/interceptor.h"

namespace host {

class DataSource;
struct ObjectBase;

class Host {
public:
    explicit Host(DataSource* source = nullptr);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    DataSource* dataSource() const { return source_; }
    void setDataSource(DataSource* source) { source_ = source; }

    // What steps into the host's operations; none unless one is installed.
    Interceptor* interceptor() const { return interceptor_.get(); }
    void setInterceptor(std::unique_ptr<Interceptor> interceptor) { interceptor_ = std::move(interceptor); }
    // True, with the status to return, when the interceptor fails this call.
    bool intercepted(Operation op, int32_t& status) const {
        return interceptor_ && interceptor_->failCall(op, status);
    }

    // Messages of the host itself (refused SQL, refused arguments).
    void setLog(std::function<void(std::string_view)> log) { log_ = std::move(log); }
    void log(std::string_view message) const;

    // Every SQL text that reached CreateAccessPlan, in order, while the log
    // is kept (it is by default). A host that runs session after session
    // for a long time may turn it off.
    const std::vector<std::string>& statements() const { return statements_; }
    void noteStatement(std::string_view text) {
        if (keepStatements_) statements_.emplace_back(text);
    }
    void clearStatements() { statements_.clear(); }
    void keepStatements(bool keep) { keepStatements_ = keep; }

    // Storage handed to sessions and not yet released, over all sessions.
    uint64_t storageOutstanding() const { return storageHandedOut_ - storageReleased_; }
    uint64_t storageHandedOut() const { return storageHandedOut_; }
    void noteStorageHandedOut(uint64_t bytes) { storageHandedOut_ += bytes; }
    void noteStorageReleased(uint64_t bytes) { storageReleased_ += bytes; }

    // A fresh id with a check value of its low 16 bits; `valid` false gives
    // an id that fails the check.
    uint32_t newId(uint16_t& check, bool valid);

    // Blocks of storage that ended sessions gave back, handed out again to
    // later sessions for requests of the same size, so that session after
    // session does not go back to the allocator for its work area and rows.
    // At most `storagePoolCapacity` bytes are kept; none in a build with the
    // address sanitizer, which must see storage freed when its session ends.
    std::unique_ptr<unsigned char[]> takeStorageBlock(std::size_t size);
    void giveBackStorageBlock(std::unique_ptr<unsigned char[]> block, std::size_t size);
    std::size_t storagePooled() const { return pooledBytes_; }
    static const std::size_t storagePoolCapacity;

    // Plan, request and cursor objects of ended sessions, retired and kept
    // (at most `recycledPerKind` of each kind; none in a build with the
    // address sanitizer, which must see them freed when their session ends)
    // so that a later session makes its objects without the allocator, its
    // buffers already the right size. Null when none is kept.
    std::unique_ptr<ObjectBase> takeRecycled(ObjectKind kind);
    // Takes an object of a session that ended; objects of other kinds, or
    // beyond the bound, are freed.
    void recycle(std::unique_ptr<ObjectBase> object);
    std::size_t recycled(ObjectKind kind) const { return recycled_[static_cast<std::size_t>(kind)].size(); }
    static const std::size_t recycledPerKind;

private:
    DataSource* source_;
    std::unique_ptr<Interceptor> interceptor_;
    std::function<void(std::string_view)> log_;
    std::vector<std::string> statements_;
    bool keepStatements_ = true;
    std::unordered_map<std::size_t, std::vector<std::unique_ptr<unsigned char[]>>> pool_;
    std::size_t pooledBytes_ = 0;
    std::vector<std::unique_ptr<ObjectBase>> recycled_[objectKindCount];
    uint64_t storageHandedOut_ = 0;
    uint64_t storageReleased_ = 0;
    uint32_t serial_ = 0;
};

} // namespace host
