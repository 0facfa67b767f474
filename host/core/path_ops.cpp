// Path, plan, request and cursor: the operations through which the module
// runs its SQL and fetches the rows through the output SQLDA.
#include <cstring>

#include "core/data_source.h"
#include "core/session.h"
#include "core/session_objects.h"
#include "core/sqlda_filler.h"
#include "core/status.h"
#include "platform/called_from_module.h"

namespace host {

namespace {

constexpr size_t maxStatementLength = 65536;
// A retired plan keeps room for a statement of this many characters.
constexpr size_t retainedTextBytes = 16384;
constexpr const char* noSource = "no enterprise snapshot";

template <class T>
int32_t enter(uint32_t id, zrx::HostObject* obj, Operation op, T*& out) {
    if (int32_t st = resolve(id, obj, out)) return st;
    int32_t injected = 0;
    if (out->session->host().intercepted(op, injected)) return injected;
    return status::ok;
}

// A dropped path is freed at once, as a data server may do: the module must
// forget its handle rather than present it again.
ZRX_CALLED_FROM_MODULE
int32_t dropPath(uint32_t id, zrx::HostObject* obj) {
    PathObject* path = nullptr;
    if (int32_t st = enter(id, obj, Operation::DropPath, path)) return st;
    path->session->discard(*path);
    return status::ok;
}

ZRX_CALLED_FROM_MODULE
int32_t createAccessPlan(uint32_t id, zrx::HostObject* obj, const char* sql, zrx::HostHandle* plan) {
    PathObject* path = nullptr;
    if (int32_t st = enter(id, obj, Operation::CreateAccessPlan, path)) return st;
    Session& s = *path->session;
    if (!sql || !plan) return status::badArgument;
    size_t length = strnlen(sql, maxStatementLength + 1);
    if (length > maxStatementLength) {
        s.host().log("CreateAccessPlan: statement longer than 65536 characters refused");
        return status::badArgument;
    }
    const std::string_view text(sql, length);
    s.host().noteStatement(text);
    DataSource* source = s.host().dataSource();
    std::string error;
    StatementKind kind = StatementKind::Other;
    if (!source || !source->check(text, kind, error)) {
        if (!source) error = noSource;
        s.host().log("CreateAccessPlan refused: " + error + "\n  statement: " + std::string(text));
        return status::sqlRefused;
    }
    auto& object = s.make<PlanObject>(text, kind);
    *plan = s.handOut(object);
    return status::ok;
}

ZRX_CALLED_FROM_MODULE
int32_t createRequest(uint32_t id, zrx::HostObject* obj, zrx::HostHandle* req, int32_t, int32_t,
                      int32_t, int32_t, int32_t planCnt, zrx::HostHandle* plans,
                      zrx::HostHandle** cursorLst, int32_t) {
    PathObject* path = nullptr;
    if (int32_t st = enter(id, obj, Operation::CreateRequest, path)) return st;
    Session& s = *path->session;
    if (!req || !plans || !cursorLst || !*cursorLst || planCnt != 1) return status::badArgument;
    PlanObject* plan = nullptr;
    if (int32_t st = resolve(plans[0].id, plans[0].obj, plan)) return st;
    if (plan->session != &s) return status::badHandle;
    auto& request = s.make<RequestObject>(plan);
    auto& cursor = s.make<CursorObject>(&request);
    request.cursor = &cursor;
    *req = s.handOut(request);
    (*cursorLst)[0] = s.handOut(cursor);
    return status::ok;
}

ZRX_CALLED_FROM_MODULE
int32_t dropPlan(uint32_t id, zrx::HostObject* obj) {
    PlanObject* plan = nullptr;
    if (int32_t st = enter(id, obj, Operation::DropPlan, plan)) return st;
    plan->markDropped();
    return status::ok;
}

ZRX_CALLED_FROM_MODULE
int32_t dropRequest(uint32_t id, zrx::HostObject* obj) {
    RequestObject* request = nullptr;
    if (int32_t st = enter(id, obj, Operation::DropRequest, request)) return st;
    request->open = false;
    if (request->cursor) detachRow(*request->cursor);
    request->result.reset();
    request->markDropped();
    if (request->cursor) request->cursor->markDropped();
    return status::ok;
}

ZRX_CALLED_FROM_MODULE
int32_t openRequest(uint32_t id, zrx::HostObject* obj, void* in) {
    RequestObject* request = nullptr;
    if (int32_t st = enter(id, obj, Operation::OpenRequest, request)) return st;
    Session& s = *request->session;
    if (request->open) return status::wrongState;
    if (!request->inputGiven || in != &request->inputDescriptor) return status::badArgument;
    DataSource* source = s.host().dataSource();
    std::string error;
    request->result = source ? source->open(request->plan->text, error) : nullptr;
    if (!request->result) {
        if (!source) error = noSource;
        s.host().log("OpenRequest failed: " + error);
        return status::queryFailed;
    }
    request->open = true;
    request->cursor->ended = false;
    return status::ok;
}

ZRX_CALLED_FROM_MODULE
int32_t closeRequest(uint32_t id, zrx::HostObject* obj) {
    RequestObject* request = nullptr;
    if (int32_t st = enter(id, obj, Operation::CloseRequest, request)) return st;
    if (!request->open) return status::wrongState;
    request->open = false;
    detachRow(*request->cursor);
    request->result.reset();
    return status::ok;
}

ZRX_CALLED_FROM_MODULE
int32_t getInputSQLDA(uint32_t id, zrx::HostObject* obj, void** in) {
    RequestObject* request = nullptr;
    if (int32_t st = enter(id, obj, Operation::GetInputSQLDA, request)) return st;
    if (!in) return status::badArgument;
    *in = &request->inputDescriptor;
    request->inputGiven = true;
    return status::ok;
}

ZRX_CALLED_FROM_MODULE
int32_t getOutputSQLDA(uint32_t id, zrx::HostObject* obj, zrx::SQLDA** out) {
    CursorObject* cursor = nullptr;
    if (int32_t st = enter(id, obj, Operation::GetOutputSQLDA, cursor)) return st;
    RequestObject& request = *cursor->request;
    if (!out) return status::badArgument;
    if (!request.open || !request.result) return status::wrongState;
    // Described once: the module may still hold the SQLDA handed out before,
    // so a later call must not move it.
    if (!cursor->sqldaGiven) describeColumns(*cursor, request.result->columns());
    *out = reinterpret_cast<zrx::SQLDA*>(cursor->sqlda.data());
    return status::ok;
}

ZRX_CALLED_FROM_MODULE
int32_t fetchRow(uint32_t id, zrx::HostObject* obj, zrx::SQLDA* out) {
    CursorObject* cursor = nullptr;
    if (int32_t st = enter(id, obj, Operation::FetchRow, cursor)) return st;
    RequestObject& request = *cursor->request;
    Session& s = *cursor->session;
    if (!request.open || !request.result || !cursor->sqldaGiven) return status::wrongState;
    if (reinterpret_cast<unsigned char*>(out) != cursor->sqlda.data()) return status::badArgument;
    if (cursor->ended) return status::endOfData;
    const std::vector<sql::Cell>* row = nullptr;
    std::string error;
    switch (request.result->next(row, error)) {
    case sql::Query::Step::Row:
        ++cursor->rowsFetched;
        fillRow(*cursor, *row);
        return status::ok;
    case sql::Query::Step::Done:
        cursor->ended = true;
        return status::endOfData;
    case sql::Query::Step::Error:
        break;
    }
    s.host().log("FetchRow failed: " + error);
    return status::queryFailed;
}

using zrx::slot::CloseRequest, zrx::slot::CreateAccessPlan, zrx::slot::CreateRequest,
    zrx::slot::DropPath, zrx::slot::DropPlan, zrx::slot::DropRequest, zrx::slot::FetchRow,
    zrx::slot::GetInputSQLDA, zrx::slot::GetOutputSQLDA, zrx::slot::OpenRequest;
using zrx::Table;

constexpr zrx::OpTable pathOps = zrx::OpTableBuilder<Table::Path>{}
                                     .put<DropPath>(&dropPath)
                                     .put<CreateRequest>(&createRequest)
                                     .put<CreateAccessPlan>(&createAccessPlan)
                                     .table();
constexpr zrx::OpTable planOps = zrx::OpTableBuilder<Table::Plan>{}.put<DropPlan>(&dropPlan).table();
constexpr zrx::OpTable requestOps = zrx::OpTableBuilder<Table::Request>{}
                                        .put<DropRequest>(&dropRequest)
                                        .put<OpenRequest>(&openRequest)
                                        .put<CloseRequest>(&closeRequest)
                                        .put<GetInputSQLDA>(&getInputSQLDA)
                                        .table();
constexpr zrx::OpTable cursorOps = zrx::OpTableBuilder<Table::Cursor>{}
                                       .put<FetchRow>(&fetchRow)
                                       .put<GetOutputSQLDA>(&getOutputSQLDA)
                                       .table();

// A function of another signature, or one put in another operation's slot,
// is refused at compile time. (Named by their types: the attribute of the
// functions called from the module would be dropped from a template argument.)
static_assert(!zrx::FitsSlot<Table::Path, CreateAccessPlan, zrx::op::CreateRequest>);
static_assert(!zrx::FitsSlot<Table::Request, OpenRequest, zrx::op::GetInputSQLDA>);
static_assert(!zrx::FitsSlot<Table::Cursor, FetchRow, zrx::op::GetOutputSQLDA>);
static_assert(!zrx::FitsSlot<Table::Cursor, GetOutputSQLDA - 1, zrx::op::FetchRow>);
static_assert(zrx::FitsSlot<Table::Cursor, FetchRow, zrx::op::FetchRow>);

const zrx::DescriptorB pathDesc = {0, &pathOps};
const zrx::DescriptorB planDesc = {0, &planOps};
const zrx::DescriptorB requestDesc = {0, &requestOps};
const zrx::DescriptorB cursorDesc = {0, &cursorOps};

} // namespace

const void* pathDescriptor() { return &pathDesc; }
const void* planDescriptor() { return &planDesc; }
const void* requestDescriptor() { return &requestDesc; }
const void* cursorDescriptor() { return &cursorDesc; }

PathObject::PathObject(Session* s, std::string n) : ObjectBase(ObjectKind::Path, s), name(std::move(n)) {
    abi.descriptor = pathDescriptor();
}

PlanObject::PlanObject(Session* s, std::string_view t, StatementKind k)
    : ObjectBase(ObjectKind::Plan, s), text(t), statement(k) {
    abi.descriptor = planDescriptor();
}

void PlanObject::reuse(Session* s, std::string_view t, StatementKind k) {
    renew(s);
    text.assign(t);
    statement = k;
}

void PlanObject::retire() {
    // The longest statements are rare: their room is not kept.
    if (text.capacity() > retainedTextBytes) std::string().swap(text);
}

RequestObject::RequestObject(Session* s, PlanObject* p) : ObjectBase(ObjectKind::Request, s), plan(p) {
    abi.descriptor = requestDescriptor();
}

RequestObject::~RequestObject() = default;

void RequestObject::reuse(Session* s, PlanObject* p) {
    renew(s);
    plan = p;
    cursor = nullptr;
    inputDescriptor = 0;
    inputGiven = false;
    open = false;
}

void RequestObject::retire() {
    // The result may hold a statement lent by the snapshot: it goes back now.
    result.reset();
    plan = nullptr;
    cursor = nullptr;
}

CursorObject::CursorObject(Session* s, RequestObject* r) : ObjectBase(ObjectKind::Cursor, s), request(r) {
    abi.descriptor = cursorDescriptor();
}

void CursorObject::reuse(Session* s, RequestObject* r) {
    renew(s);
    request = r;
    sqlda.clear();
    widths.clear();
    values.clear();
    nullInds.clear();
    rowsFetched = 0;
    sqldaGiven = false;
    rowHeld = false;
    ended = false;
}

void CursorObject::retire() {
    request = nullptr;
    values.clear();
}

} // namespace host
