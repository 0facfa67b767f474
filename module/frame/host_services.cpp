#include "frame/host_services.h"

namespace zrx {

const OpTable* checkedOps(const HostHandle& h, DescLayout layout) {
    if (!h.obj) return nullptr;
    if (h.obj->check != static_cast<uint16_t>(h.id & 0xFFFFu)) return nullptr;
    if (!h.obj->descriptor) return nullptr;
    if (layout == DescLayout::A) return static_cast<const DescriptorA*>(h.obj->descriptor)->ops;
    return static_cast<const DescriptorB*>(h.obj->descriptor)->ops;
}

int32_t GetRequestItem(const HostHandle& reqBlk, int32_t code, void* out) {
    return callHost<Table::RequestBlock, slot::GetRequestItem>(reqBlk, code, out);
}

int32_t PutRequestItem(const HostHandle& reqBlk, int32_t code, void* value) {
    return callHost<Table::RequestBlock, slot::PutRequestItem>(reqBlk, code, value);
}

ParmList* findParmList(const HostHandle& reqBlk) {
    ParmList* parm = nullptr;
    GetRequestItem(reqBlk, item::ParmList, &parm);
    return parm;
}

namespace {
template <int Slot>
int32_t getStorage(const ParmList* parm, int32_t size, void** out) {
    if (!parm || !parm->storage) return handleCheckFailed;
    return callHost<Table::Storage, Slot>(*parm->storage, size, out);
}
} // namespace

int32_t GetSampleStorage(const ParmList* parm, int32_t size, void** out) {
    return getStorage<slot::GetSampleStorage>(parm, size, out);
}

int32_t GetViewStorage(const ParmList* parm, int32_t size, void** out) {
    return getStorage<slot::GetViewStorage>(parm, size, out);
}

int32_t DropPath(const HostHandle& path) {
    return callHost<Table::Path, slot::DropPath>(path);
}

int32_t DropPathForGood(HostHandle& path) {
    const int32_t status = DropPath(path);
    path = HostHandle{};
    return status;
}

int32_t CreateAccessPlan(const HostHandle& path, const char* sql, HostHandle* plan) {
    return callHost<Table::Path, slot::CreateAccessPlan>(path, sql, plan);
}

int32_t CreateRequest(const HostHandle& path, HostHandle* req, int32_t planCnt, HostHandle* plans,
                      HostHandle** cursorLst) {
    return callHost<Table::Path, slot::CreateRequest>(path, req, 0, 0, 0, 0,
                                       planCnt, plans, cursorLst, 0);
}

int32_t DropPlan(const HostHandle& plan) {
    return callHost<Table::Plan, slot::DropPlan>(plan);
}

int32_t DropRequest(const HostHandle& req) {
    return callHost<Table::Request, slot::DropRequest>(req);
}

int32_t OpenRequest(const HostHandle& req, void* inSQLDA) {
    return callHost<Table::Request, slot::OpenRequest>(req, inSQLDA);
}

int32_t CloseRequest(const HostHandle& req) {
    return callHost<Table::Request, slot::CloseRequest>(req);
}

int32_t GetInputSQLDA(const HostHandle& req, void** inSQLDA) {
    return callHost<Table::Request, slot::GetInputSQLDA>(req, inSQLDA);
}

int32_t GetOutputSQLDA(const HostHandle& cursor, SQLDA** outSQLDA) {
    return callHost<Table::Cursor, slot::GetOutputSQLDA>(cursor, outSQLDA);
}

int32_t FetchRow(const HostHandle& cursor, SQLDA* outSQLDA) {
    return callHost<Table::Cursor, slot::FetchRow>(cursor, outSQLDA);
}

} // namespace zrx
