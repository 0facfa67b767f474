// Every call of a host operation goes through here, so that the handle call
// convention is applied in one place: when the object's check value differs
// from the low 16 bits of the handle id (or the handle designates nothing to
// call) the host is not called and the status is 2.
#pragma once

#include <cstdint>

#include "zrx/handle.h"
#include "zrx/items.h"
#include "zrx/sqlda.h"
#include "zrx/status.h"

namespace zrx {

// The operation table of a handle's object, or null when the handle fails
// its check or leads nowhere.
const OpTable* checkedOps(const HostHandle& h, DescLayout layout);

template <Table T, int Slot, class... Args>
int32_t callHost(const HostHandle& h, Args... args) {
    const OpTable* ops = checkedOps(h, layoutOf(T));
    if (!ops) return handleCheckFailed;
    const auto fn = slotFunction<T, Slot>(*ops);
    if (!fn) return handleCheckFailed;
    return fn(h.id, h.obj, args...);
}

// Request block.
int32_t GetRequestItem(const HostHandle& reqBlk, int32_t code, void* out);
int32_t PutRequestItem(const HostHandle& reqBlk, int32_t code, void* value);
// The parameter list through item 23, or null.
ParmList* findParmList(const HostHandle& reqBlk);

// Storage, through the parameter list's storage handle.
int32_t GetSampleStorage(const ParmList* parm, int32_t size, void** out);
int32_t GetViewStorage(const ParmList* parm, int32_t size, void** out);

// Path.
int32_t DropPath(const HostHandle& path);
// DropPath, then clears the handle. The host may free a dropped path, so a
// later use (the session end's DropPath) must fail the check with status 2
// without reading the object.
int32_t DropPathForGood(HostHandle& path);
int32_t CreateAccessPlan(const HostHandle& path, const char* sql, HostHandle* plan);
int32_t CreateRequest(const HostHandle& path, HostHandle* req, int32_t planCnt, HostHandle* plans,
                      HostHandle** cursorLst);
// Plan, request, cursor.
int32_t DropPlan(const HostHandle& plan);
int32_t DropRequest(const HostHandle& req);
int32_t OpenRequest(const HostHandle& req, void* inSQLDA);
int32_t CloseRequest(const HostHandle& req);
int32_t GetInputSQLDA(const HostHandle& req, void** inSQLDA);
int32_t GetOutputSQLDA(const HostHandle& cursor, SQLDA** outSQLDA);
int32_t FetchRow(const HostHandle& cursor, SQLDA* outSQLDA);

} // namespace zrx
