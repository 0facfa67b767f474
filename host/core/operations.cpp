#include "core/operations.h"

#include "core/status.h"

namespace host {

namespace {
constexpr std::array<std::string_view, operationCount> names = {
    "GetRequestItem", "PutRequestItem", "GetSampleStorage", "GetViewStorage", "CreatePath",
    "DropPath",       "CreateAccessPlan", "CreateRequest", "GetInputSQLDA", "OpenRequest",
    "GetOutputSQLDA", "FetchRow",         "CloseRequest",  "DropRequest",   "DropPlan",
};
constexpr std::array<std::string_view, objectKindCount> kindNames = {
    "RequestBlock", "Storage", "Path", "Plan", "Request", "Cursor",
};
} // namespace

std::string_view operationName(Operation op) { return names[static_cast<std::size_t>(op)]; }

std::optional<Operation> operationByName(std::string_view name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<Operation>(i);
    return std::nullopt;
}

std::string_view objectKindName(ObjectKind kind) {
    return kindNames[static_cast<std::size_t>(kind)];
}

const char* describeHostStatus(int32_t s) {
    switch (s) {
    case status::ok: return "success";
    case status::badHandle: return "handle check failed";
    case status::badArgument: return "invalid argument";
    case status::wrongState: return "operation not valid in the object's state";
    case status::sqlRefused: return "SQL statement refused";
    case status::queryFailed: return "query failed";
    case status::noStorage: return "no storage";
    case status::unknownItem: return "unknown request item";
    case status::noMoreItems: return "no more items";
    case status::endOfData: return "end of data";
    default: return "injected or unknown status";
    }
}

} // namespace host
