// One session of the data server with the view module: the parameter list,
// the request block, storage and every object the module obtains. The
// session owns all of it and releases it when the session ends.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/host_object.h"
#include "core/module.h"
#include "platform/server_context.h"
#include "zrx/items.h"
#include "zrx/mentrenq_row.h"
#include "zrx/mentrenq_table.h"
#include "zrx/status.h"

namespace host {

class RemoteSession;

// One index predicate of the caller, as GetRequestItem item 19 delivers it.
struct Predicate {
    std::string column;
    zrx::IndexOp op = zrx::IndexOp::EQ;
    std::string value;

    // REPORT = 'YES': every contended resource.
    static Predicate report() {
        return {zrx::reportPredicate.column, zrx::reportPredicate.op, zrx::reportPredicate.value};
    }
    // MAJORNAME, MINORNAME and ENQPLEX = the values: one resource.
    static std::vector<Predicate> resource(std::string major, std::string minor, std::string enqplex) {
        using zrx::ColumnId;
        return {{zrx::columnSpec(ColumnId::majorname).name, zrx::IndexOp::EQ, std::move(major)},
                {zrx::columnSpec(ColumnId::minorname).name, zrx::IndexOp::EQ, std::move(minor)},
                {zrx::columnSpec(ColumnId::enqplex).name, zrx::IndexOp::EQ, std::move(enqplex)}};
    }
};

struct SessionOptions {
    std::vector<Predicate> predicates;
    std::string nodeText = "SRVR01:CMS";
    uint64_t storageBudget = UINT64_MAX; // bytes this session may obtain
};

struct LiveObjects {
    int paths = 0;
    int plans = 0;
    int requests = 0;
    int cursors = 0;
    bool any() const { return paths || plans || requests || cursors; }
};

// With a module that runs in another process the session core runs there
// too; this Session then mirrors what it reports after each call (rows,
// open objects, storage, the abandon reason) and has no work area here.
class Session {
public:
    Session(Host& host, const Module& module, SessionOptions options = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The three entries of the module, called as the data server does.
    int32_t start();
    int32_t request();
    // Calls the session end entry, then releases everything the session holds.
    int32_t end();

    bool released() const { return released_; }
    const std::vector<zrx::MentrenqRow>& rows() const { return rows_; }
    // The rows handed over so far, leaving none behind.
    std::vector<zrx::MentrenqRow> takeRows() { return std::move(rows_); }
    void* workArea() const { return parm_.workArea; }
    zrx::ParmList& parmList() { return parm_; }
    Host& host() { return host_; }
    const SessionOptions& options() const { return options_; }

    // Objects not dropped by the module (counted until the session ends).
    LiveObjects live() const;
    // What live() said when the session end entry returned, before release.
    LiveObjects liveAtEnd() const { return liveAtEnd_; }
    uint64_t storageOutstanding() const { return storageBytes_; }
    // Storage requests refused because the budget was spent.
    int storageRefusals() const { return storageRefusals_; }
    // Why the module abandoned the view, by the abandoning lines it wrote
    // during this session's calls; None when it wrote none.
    zrx::Abandon abandonReason() const { return abandonReason_; }

    // The session whose entry call is in progress on this thread, or null.
    // Host services answer for it alone: it is how they find the objects the
    // module's handles designate, without a lock and without reading them.
    static Session* calling() { return callingSession_; }
    // Makes this session the calling one on this thread for the scope's life
    // (the host does so around every entry call; tests that call services
    // directly do it themselves).
    class CallScope {
    public:
        explicit CallScope(Session& session);
        ~CallScope();
        CallScope(const CallScope&) = delete;
        CallScope& operator=(const CallScope&) = delete;

    private:
        Session* previousSession_;
        platform::ServerContext* previousContext_;
    };
    // This session's live object at `obj`, or null. `expected` is the kind
    // the caller looks for: the object of that kind found last is tried
    // first, as the module presents the same path, request block and
    // cursor call after call.
    ObjectBase* find(const zrx::HostObject* obj, ObjectKind expected) const {
        const Found& last = lastFound_[static_cast<std::size_t>(expected)];
        if (obj && obj == last.address) return last.object;
        return findAmongAll(obj);
    }

    // Services for the operations.
    template <class T, class... Args>
    T& make(Args&&... args) {
        if constexpr (T::recyclable) {
            if (std::unique_ptr<ObjectBase> kept = host_.takeRecycled(T::objectKind)) {
                T& ref = static_cast<T&>(*kept);
                ref.reuse(this, std::forward<Args>(args)...);
                adopt(std::move(kept));
                return ref;
            }
        }
        auto object = std::make_unique<T>(this, std::forward<Args>(args)...);
        T& ref = *object;
        adopt(std::move(object));
        return ref;
    }
    // Frees an object before the session ends: no handle to it may be used
    // again, and a module that reads it anyway reads freed memory (which the
    // address sanitizer reports).
    void discard(ObjectBase& object);
    // The handle the host hands out for an object, failing its check when
    // the fault plan says so.
    zrx::HostHandle handOut(ObjectBase& object);
    int32_t allocate(int32_t size, void** out);
    bool ownsRange(const void* p, size_t n) const;
    bool nextPredicate(zrx::IndexItem& out);
    void acceptRow(const void* row);

private:
    struct Block {
        std::unique_ptr<unsigned char[]> bytes;
        size_t size;
    };
    struct StoredPredicate {
        zrx::IndexOp op;
        std::string column;
        std::string value;
    };

    void adopt(std::unique_ptr<ObjectBase> object);
    int32_t call(zrx::EntryFn entry, const char* what);
    int32_t callRemote(int entry);
    void release();
    static int32_t createPath(platform::ServerContext* self, const char* name,
                              zrx::HostHandle* path);

    Host& host_;
    const Module& module_;
    SessionOptions options_;
    zrx::ParmList parm_{};
    zrx::HostHandle storageHandle_{};
    platform::ServerContext context_{};
    ObjectBase* requestBlock_ = nullptr;
    std::vector<std::unique_ptr<ObjectBase>> objects_;
    // The object of each kind found last. The oldest objects (request
    // block, storage, path) are used all through a session, and a search
    // newest first would pass every statement's objects to reach them.
    struct Found {
        const zrx::HostObject* address = nullptr;
        ObjectBase* object = nullptr;
    };
    mutable std::array<Found, objectKindCount> lastFound_{};
    ObjectBase* findAmongAll(const zrx::HostObject* obj) const;
    static inline thread_local Session* callingSession_ = nullptr;
    std::vector<Block> storage_;
    uint64_t storageBytes_ = 0;
    int storageRefusals_ = 0;
    std::vector<StoredPredicate> predicates_;
    size_t nextPredicate_ = 0;
    std::vector<zrx::MentrenqRow> rows_;
    LiveObjects liveAtEnd_;
    bool released_ = false;
    zrx::Abandon abandonReason_ = zrx::Abandon::None;
    std::unique_ptr<RemoteSession> remote_;
    LiveObjects remoteLive_;
};

} // namespace host
