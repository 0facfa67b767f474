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
    return callHost<op::GetRequestItem>(reqBlk, DescLayout::A, slot::GetRequestItem, code, out);
}

int32_t PutRequestItem(const HostHandle& reqBlk, int32_t code, void* value) {
    return callHost<op::PutRequestItem>(reqBlk, DescLayout::A, slot::PutRequestItem, code, value);
}

ParmList* findParmList(const HostHandle& reqBlk) {
    ParmList* parm = nullptr;
    GetRequestItem(reqBlk, item::ParmList, &parm);
    return parm;
}

namespace {
int32_t getStorage(const ParmList* parm, int slotIndex, int32_t size, void** out) {
    if (!parm || !parm->storage) return handleCheckFailed;
    return callHost<op::GetStorage>(*parm->storage, DescLayout::A, slotIndex, size, out);
}
} // namespace

int32_t GetSampleStorage(const ParmList* parm, int32_t size, void** out) {
    return getStorage(parm, slot::GetSampleStorage, size, out);
}

int32_t GetViewStorage(const ParmList* parm, int32_t size, void** out) {
    return getStorage(parm, slot::GetViewStorage, size, out);
}

int32_t DropPath(const HostHandle& path) {
    return callHost<op::NoArgs>(path, DescLayout::B, slot::DropPath);
}

int32_t DropPathForGood(HostHandle& path) {
    const int32_t status = DropPath(path);
    path = HostHandle{};
    return status;
}

int32_t CreateAccessPlan(const HostHandle& path, const char* sql, HostHandle* plan) {
    return callHost<op::CreateAccessPlan>(path, DescLayout::B, slot::CreateAccessPlan, sql, plan);
}

int32_t CreateRequest(const HostHandle& path, HostHandle* req, int32_t planCnt, HostHandle* plans,
                      HostHandle** cursorLst) {
    return callHost<op::CreateRequest>(path, DescLayout::B, slot::CreateRequest, req, 0, 0, 0, 0,
                                       planCnt, plans, cursorLst, 0);
}

int32_t DropPlan(const HostHandle& plan) {
    return callHost<op::NoArgs>(plan, DescLayout::B, slot::DropPlan);
}

int32_t DropRequest(const HostHandle& req) {
    return callHost<op::NoArgs>(req, DescLayout::B, slot::DropRequest);
}

int32_t OpenRequest(const HostHandle& req, void* inSQLDA) {
    return callHost<op::OpenRequest>(req, DescLayout::B, slot::OpenRequest, inSQLDA);
}

int32_t CloseRequest(const HostHandle& req) {
    return callHost<op::NoArgs>(req, DescLayout::B, slot::CloseRequest);
}

int32_t GetInputSQLDA(const HostHandle& req, void** inSQLDA) {
    return callHost<op::GetInputSQLDA>(req, DescLayout::B, slot::GetInputSQLDA, inSQLDA);
}

int32_t GetOutputSQLDA(const HostHandle& cursor, SQLDA** outSQLDA) {
    return callHost<op::GetOutputSQLDA>(cursor, DescLayout::B, slot::GetOutputSQLDA, outSQLDA);
}

int32_t FetchRow(const HostHandle& cursor, SQLDA* outSQLDA) {
    return callHost<op::FetchRow>(cursor, DescLayout::B, slot::FetchRow, outSQLDA);
}

} // namespace zrx
