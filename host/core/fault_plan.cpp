#include "core/fault_plan.h"

namespace host {

std::string_view statementKindName(StatementKind kind) {
    switch (kind) {
    case StatementKind::PlexHubs: return "PlexHubs";
    case StatementKind::ThruNodes: return "ThruNodes";
    case StatementKind::Members: return "Members";
    case StatementKind::Summary: return "Summary";
    case StatementKind::Detail: return "Detail";
    case StatementKind::Other: break;
    }
    return "Other";
}

void FaultPlan::failCall(Operation op, uint64_t nth, int32_t status) {
    callFaults_.push_back({op, nth, status});
}

void FaultPlan::failHandle(ObjectKind kind, uint64_t nth) { handleFaults_.push_back({kind, nth}); }

void FaultPlan::malformResult(const ResultFault& fault) { results_.push_back(fault); }

void FaultPlan::clear() { *this = FaultPlan(); }

bool FaultPlan::onCall(Operation op, int32_t& status) {
    uint64_t n = ++calls_[static_cast<size_t>(op)];
    for (const auto& f : callFaults_) {
        if (f.op == op && f.nth == n) {
            status = f.status;
            ++injected_;
            return true;
        }
    }
    return false;
}

bool FaultPlan::onHandle(ObjectKind kind) {
    uint64_t n = ++handles_[static_cast<size_t>(kind)];
    for (const auto& f : handleFaults_) {
        if (f.kind == kind && f.nth == n) {
            ++injected_;
            return true;
        }
    }
    return false;
}

} // namespace host
