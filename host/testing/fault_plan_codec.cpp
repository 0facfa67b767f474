#include "testing/fault_plan_codec.h"

namespace host {

namespace remote {

namespace {

template <class Enum>
Enum enumOf(uint8_t value, Enum last) {
    return value <= static_cast<uint8_t>(last) ? static_cast<Enum>(value) : last;
}

} // namespace

void FaultPlanCodec::write(Writer& w, const FaultPlan& plan) {
    w.u32(static_cast<uint32_t>(plan.callFaults_.size()));
    for (const CallFault& f : plan.callFaults_) {
        w.u8(static_cast<uint8_t>(f.op));
        w.u64(f.nth);
        w.i32(f.status);
    }
    w.u32(static_cast<uint32_t>(plan.handleFaults_.size()));
    for (const HandleFault& f : plan.handleFaults_) {
        w.u8(static_cast<uint8_t>(f.kind));
        w.u64(f.nth);
    }
    w.u32(static_cast<uint32_t>(plan.results_.size()));
    for (const ResultFault& f : plan.results_) {
        w.u8(static_cast<uint8_t>(f.statement));
        w.u64(f.nthRow);
        w.i32(f.columnDelta);
        w.i32(f.longColumn);
        w.i32(f.longBy);
        w.i32(f.nullColumn);
    }
    writeCounts(w, plan);
}

void FaultPlanCodec::read(Reader& r, FaultPlan& plan) {
    plan = FaultPlan();
    for (uint32_t n = r.count(13); n > 0; --n) {
        CallFault f{};
        f.op = enumOf(r.u8(), Operation::DropPlan);
        f.nth = r.u64();
        f.status = r.i32();
        plan.callFaults_.push_back(f);
    }
    for (uint32_t n = r.count(9); n > 0; --n) {
        HandleFault f{};
        f.kind = enumOf(r.u8(), ObjectKind::Cursor);
        f.nth = r.u64();
        plan.handleFaults_.push_back(f);
    }
    for (uint32_t n = r.count(25); n > 0; --n) {
        ResultFault f;
        f.statement = enumOf(r.u8(), StatementKind::Other);
        f.nthRow = r.u64();
        f.columnDelta = r.i32();
        f.longColumn = r.i32();
        f.longBy = r.i32();
        f.nullColumn = r.i32();
        plan.results_.push_back(f);
    }
    readCounts(r, plan);
}

void FaultPlanCodec::writeCounts(Writer& w, const FaultPlan& plan) {
    for (uint64_t n : plan.calls_) w.u64(n);
    for (uint64_t n : plan.handles_) w.u64(n);
    w.u64(plan.injected_);
}

void FaultPlanCodec::readCounts(Reader& r, FaultPlan& plan) {
    for (uint64_t& n : plan.calls_) n = r.u64();
    for (uint64_t& n : plan.handles_) n = r.u64();
    plan.injected_ = r.u64();
}

} // namespace remote

std::vector<uint8_t> FaultPlan::travellingState() const {
    remote::Writer w;
    remote::FaultPlanCodec::write(w, *this);
    return std::move(w.bytes());
}

void FaultPlan::takeCounts(const std::vector<uint8_t>& counts) {
    remote::Reader r(counts);
    FaultPlan back = *this;
    remote::FaultPlanCodec::readCounts(r, back);
    if (r.atEnd()) *this = std::move(back);
}

bool FaultPlan::takeState(const std::vector<uint8_t>& state) {
    remote::Reader r(state);
    FaultPlan plan;
    remote::FaultPlanCodec::read(r, plan);
    if (!r.atEnd()) return false;
    *this = std::move(plan);
    return true;
}

std::vector<uint8_t> FaultPlan::counts() const {
    remote::Writer w;
    remote::FaultPlanCodec::writeCounts(w, *this);
    return std::move(w.bytes());
}

} // namespace host
