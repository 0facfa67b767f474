#include "core/operations.h"

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

std::string_view objectKindName(ObjectKind kind) {
    return kindNames[static_cast<std::size_t>(kind)];
}

} // namespace host
