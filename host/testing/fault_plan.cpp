#include "testing/fault_plan.h"

#include <algorithm>
#include <memory>

namespace host {

void FaultPlan::failCall(Operation op, uint64_t nth, int32_t status) { callFaults_.push_back({op, nth, status}); }

void FaultPlan::failHandle(ObjectKind kind, uint64_t nth) { handleFaults_.push_back({kind, nth}); }

void FaultPlan::malformResult(const ResultFault& fault) { results_.push_back(fault); }

void FaultPlan::clear() {
    callFaults_.clear();
    handleFaults_.clear();
    results_.clear();
    calls_ = {};
    handles_ = {};
    injected_ = 0;
}

bool FaultPlan::failCall(Operation op, int32_t& status) {
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

bool FaultPlan::failHandle(ObjectKind kind) {
    uint64_t n = ++handles_[static_cast<size_t>(kind)];
    for (const auto& f : handleFaults_) {
        if (f.kind == kind && f.nth == n) {
            ++injected_;
            return true;
        }
    }
    return false;
}

long FaultPlan::describedColumns(StatementKind kind, long columns) {
    long delta = 0;
    for (const auto& f : results_)
        if (f.statement == kind) delta += f.columnDelta;
    if (delta != 0) ++injected_;
    return std::max(0L, columns + delta);
}

void FaultPlan::deliverRow(StatementKind kind, uint64_t row, DeliveredRow& cells) {
    const size_t n = cells.columns();
    for (const auto& f : results_) {
        if (f.statement != kind || (f.nthRow != 0 && f.nthRow != row)) continue;
        bool applied = false;
        // Only a value can be too long: a null cell has none, and giving it
        // the fill bytes alone would deliver a short value, not a long one.
        if (f.longColumn >= 0 && static_cast<size_t>(f.longColumn) < n && f.longBy > 0 &&
            !cells.isNull(static_cast<size_t>(f.longColumn))) {
            cells.lengthen(static_cast<size_t>(f.longColumn), static_cast<size_t>(f.longBy));
            applied = true;
        }
        if (f.nullColumn >= 0 && static_cast<size_t>(f.nullColumn) < n) {
            cells.setNull(static_cast<size_t>(f.nullColumn));
            applied = true;
        }
        if (applied) ++injected_;
    }
}

FaultPlan& faults(Host& host) {
    if (auto* plan = dynamic_cast<FaultPlan*>(host.interceptor())) return *plan;
    auto plan = std::make_unique<FaultPlan>();
    FaultPlan& installed = *plan;
    host.setInterceptor(std::move(plan));
    return installed;
}

} // namespace host
