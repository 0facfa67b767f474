// The kinds of host object a session hands the module, with their
// descriptors and operation tables.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/statement_kind.h"
#include "core/host_object.h"
#include "sql/cells.h"
#include "zrx/sqlda.h"

namespace host {

class StatementResult;

struct RequestBlockObject : ObjectBase {
    static constexpr ObjectKind objectKind = ObjectKind::RequestBlock;
    explicit RequestBlockObject(Session* s);
};

struct StorageObject : ObjectBase {
    static constexpr ObjectKind objectKind = ObjectKind::Storage;
    explicit StorageObject(Session* s);
};

struct PathObject : ObjectBase {
    static constexpr ObjectKind objectKind = ObjectKind::Path;
    PathObject(Session* s, std::string name);
    std::string name;
};

struct PlanObject : ObjectBase {
    static constexpr ObjectKind objectKind = ObjectKind::Plan;
    static constexpr bool recyclable = true;
    PlanObject(Session* s, std::string_view text, StatementKind statement);
    void reuse(Session* s, std::string_view text, StatementKind statement);
    void retire() override;
    std::string text;
    StatementKind statement;
};

struct CursorObject;

struct RequestObject : ObjectBase {
    static constexpr ObjectKind objectKind = ObjectKind::Request;
    static constexpr bool recyclable = true;
    RequestObject(Session* s, PlanObject* plan);
    ~RequestObject() override;
    void reuse(Session* s, PlanObject* plan);
    void retire() override;
    PlanObject* plan;
    CursorObject* cursor = nullptr;
    int inputDescriptor = 0; // what GetInputSQLDA hands out; never looked into
    bool inputGiven = false;
    bool open = false;
    std::unique_ptr<StatementResult> result;
};

struct CursorObject : ObjectBase {
    static constexpr ObjectKind objectKind = ObjectKind::Cursor;
    static constexpr bool recyclable = true;
    CursorObject(Session* s, RequestObject* request);
    void reuse(Session* s, RequestObject* request);
    void retire() override;
    RequestObject* request;
    // The output SQLDA and the value buffers it refers to; they stay put
    // until the session ends. A column without a value shows `widths[i]`
    // blanks, or its own bytes in `values[i]` once a fault lengthened them.
    std::vector<unsigned char> sqlda;
    std::vector<int> widths;
    std::vector<std::string> values;
    std::vector<int16_t> nullInds;
    uint64_t rowsFetched = 0;
    bool sqldaGiven = false;
    bool rowHeld = false; // the SQLDA points into a row's cells
    bool ended = false;
};

} // namespace host

namespace host {
// Descriptors (with their operation tables) by object kind.
const void* requestBlockDescriptor();
const void* storageDescriptor();
const void* pathDescriptor();
const void* planDescriptor();
const void* requestDescriptor();
const void* cursorDescriptor();
} // namespace host
