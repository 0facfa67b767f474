#include "core/session.h"

#include <cstring>

#include "core/module_process.h"
#include "core/session_objects.h"
#include "core/status.h"
#include "platform/trace_control.h"

namespace host {

namespace {
// Fresh storage is filled with this byte, so that a module that trusts
// storage to start zeroed is caught.
constexpr unsigned char freshStorageFill = 0xA5;
constexpr int32_t maxStorageRequest = 16 * 1024 * 1024;
} // namespace

Session::CallScope::CallScope(Session& session)
    : previousSession_(callingSession_), previousContext_(platform::currentServerContext()) {
    callingSession_ = &session;
    platform::setCurrentServerContext(&session.context_);
}

Session::CallScope::~CallScope() {
    callingSession_ = previousSession_;
    platform::setCurrentServerContext(previousContext_);
}

ObjectBase* Session::findAmongAll(const zrx::HostObject* obj) const {
    if (!obj) return nullptr;
    // Newest first: the module works on the objects of the statement it
    // is running, which were made last.
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) {
        if (&(*it)->abi != obj) continue;
        lastFound_[static_cast<std::size_t>((*it)->kind)] = {obj, it->get()};
        return it->get();
    }
    return nullptr;
}

Session::Session(Host& host, const Module& module, SessionOptions options)
    : host_(host), module_(module), options_(std::move(options)) {
    if (module_.process) {
        remote_ = module_.process->openSession(host_, options_);
        return;
    }
    predicates_.reserve(options_.predicates.size());
    for (const auto& p : options_.predicates) predicates_.push_back({p.op, p.column, p.value});

    context_.eyeCatcher = platform::serverContextEye;
    context_.createPath = &Session::createPath;
    context_.owner = this;

    requestBlock_ = &make<RequestBlockObject>();
    auto& storage = make<StorageObject>();
    storageHandle_ = handOut(storage);
    parm_.storage = &storageHandle_;
    parm_.nodeText = options_.nodeText.c_str();
}

Session::~Session() {
    release();
    if (callingSession_ == this) callingSession_ = nullptr;
}

void Session::adopt(std::unique_ptr<ObjectBase> object) {
    uint16_t check = 0;
    object->validId = host_.newId(check, true);
    object->abi.check = check;
    objects_.push_back(std::move(object));
}

void Session::discard(ObjectBase& object) {
    for (Found& last : lastFound_)
        if (last.object == &object) last = {};
    for (auto it = objects_.begin(); it != objects_.end(); ++it)
        if (it->get() == &object) {
            objects_.erase(it);
            return;
        }
}

zrx::HostHandle Session::handOut(ObjectBase& object) {
    uint32_t id = object.validId;
    if (Interceptor* i = host_.interceptor(); i && i->failHandle(object.kind)) id ^= 0x5A5Au;
    return object.handle(id);
}

int32_t Session::call(zrx::EntryFn entry, const char* what) {
    if (released_) return status::wrongState;
    // The calling session goes back even when the module fails inside the call.
    CallScope scope(*this);
    nextPredicate_ = 0;
    zrx::HostHandle reqBlk = handOut(*requestBlock_);
    platform::takeAbandonReason(); // a line written outside any call is no session's
    int32_t result = module_.call(entry, reqBlk.id, reqBlk.obj, what);
    abandonReason_ = zrx::firstCause(abandonReason_, platform::takeAbandonReason());
    return result;
}

int32_t Session::callRemote(int entry) {
    if (released_) return status::wrongState;
    RemoteState state;
    const int32_t result = remote_->call(static_cast<RemoteSession::Entry>(entry), state);
    rows_.insert(rows_.end(), state.newRows.begin(), state.newRows.end());
    remoteLive_ = state.live;
    storageBytes_ = state.storageBytes;
    storageRefusals_ = state.storageRefusals;
    abandonReason_ = state.abandonReason;
    return result;
}

int32_t Session::start() {
    if (remote_) return callRemote(static_cast<int>(RemoteSession::Entry::Start));
    return call(module_.sessionStart, "its session start entry");
}

int32_t Session::request() {
    if (remote_) return callRemote(static_cast<int>(RemoteSession::Entry::Request));
    return call(module_.request, "its request entry");
}

int32_t Session::end() {
    int32_t result = remote_ ? callRemote(static_cast<int>(RemoteSession::Entry::End))
                             : call(module_.sessionEnd, "its session end entry");
    liveAtEnd_ = live();
    release();
    return result;
}

void Session::release() {
    if (released_) return;
    released_ = true;
    remote_.reset();
    lastFound_ = {};
    for (auto& object : objects_) host_.recycle(std::move(object));
    objects_.clear();
    // A session in another process accounts for its storage there.
    if (!module_.process) host_.noteStorageReleased(storageBytes_);
    for (auto& block : storage_) host_.giveBackStorageBlock(std::move(block.bytes), block.size);
    storage_.clear();
    storageBytes_ = 0;
    parm_.workArea = nullptr;
}

LiveObjects Session::live() const {
    if (module_.process) return released_ ? LiveObjects{} : remoteLive_;
    LiveObjects n;
    for (const auto& object : objects_) {
        if (object->dropped) continue;
        switch (object->kind) {
        case ObjectKind::Path: ++n.paths; break;
        case ObjectKind::Plan: ++n.plans; break;
        case ObjectKind::Request: ++n.requests; break;
        case ObjectKind::Cursor: ++n.cursors; break;
        default: break;
        }
    }
    return n;
}

int32_t Session::allocate(int32_t size, void** out) {
    if (!out || size <= 0 || size > maxStorageRequest) return status::badArgument;
    if (storageBytes_ + static_cast<uint64_t>(size) > options_.storageBudget) {
        ++storageRefusals_;
        return status::noStorage;
    }
    Block block{host_.takeStorageBlock(static_cast<size_t>(size)), static_cast<size_t>(size)};
    std::memset(block.bytes.get(), freshStorageFill, block.size);
    *out = block.bytes.get();
    storage_.push_back(std::move(block));
    storageBytes_ += static_cast<uint64_t>(size);
    host_.noteStorageHandedOut(static_cast<uint64_t>(size));
    return status::ok;
}

bool Session::ownsRange(const void* p, size_t n) const {
    auto* begin = static_cast<const unsigned char*>(p);
    for (const auto& block : storage_) {
        const unsigned char* b = block.bytes.get();
        if (begin >= b && begin <= b + block.size && n <= static_cast<size_t>(b + block.size - begin))
            return true;
    }
    return false;
}

bool Session::nextPredicate(zrx::IndexItem& out) {
    if (nextPredicate_ >= predicates_.size()) return false;
    const StoredPredicate& p = predicates_[nextPredicate_++];
    out.op = &p.op;
    out.column = p.column.c_str();
    out.value = p.value.c_str();
    return true;
}

void Session::acceptRow(const void* row) {
    zrx::MentrenqRow copy;
    std::memcpy(&copy, row, sizeof copy);
    rows_.push_back(copy);
}

int32_t Session::createPath(platform::ServerContext* self, const char* name, zrx::HostHandle* path) {
    auto* session = static_cast<Session*>(self->owner);
    int32_t injected = 0;
    if (session->host_.intercepted(Operation::CreatePath, injected)) return injected;
    size_t length = strnlen(name, 9);
    if (length == 0 || length > 8) {
        session->host_.log("CreatePath: path name must have 1 to 8 characters");
        return status::badArgument;
    }
    auto& object = session->make<PathObject>(std::string(name, length));
    *path = session->handOut(object);
    return status::ok;
}

} // namespace host
