// The data server's operations, as counted and as faults are injected.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace host {

enum class Operation {
    GetRequestItem,
    PutRequestItem,
    GetSampleStorage,
    GetViewStorage,
    CreatePath,
    DropPath,
    CreateAccessPlan,
    CreateRequest,
    GetInputSQLDA,
    OpenRequest,
    GetOutputSQLDA,
    FetchRow,
    CloseRequest,
    DropRequest,
    DropPlan,
};

inline constexpr std::size_t operationCount = 15;

std::string_view operationName(Operation op);

inline constexpr std::array<Operation, operationCount> allOperations = {
    Operation::GetRequestItem, Operation::PutRequestItem, Operation::GetSampleStorage,
    Operation::GetViewStorage, Operation::CreatePath,     Operation::DropPath,
    Operation::CreateAccessPlan, Operation::CreateRequest, Operation::GetInputSQLDA,
    Operation::OpenRequest,    Operation::GetOutputSQLDA, Operation::FetchRow,
    Operation::CloseRequest,   Operation::DropRequest,    Operation::DropPlan,
};

// Kinds of host object; each is handed to the module behind a handle.
enum class ObjectKind { RequestBlock, Storage, Path, Plan, Request, Cursor };

inline constexpr std::size_t objectKindCount = 6;

std::string_view objectKindName(ObjectKind kind);

} // namespace host
