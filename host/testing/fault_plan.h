// Fault injection: the host fails any operation on its N-th call, hands out
// a handle that fails its check, or delivers a malformed result. Tests, the
// reliability sweeps and the fuzz targets use it; the data server does not.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/host.h"
#include "core/interceptor.h"
#include "core/operations.h"

namespace host {

namespace remote {
struct FaultPlanCodec;
}

struct CallFault {
    Operation op;
    uint64_t nth;   // 1-based, counted since the plan was last cleared
    int32_t status; // returned instead of calling
};

struct HandleFault {
    ObjectKind kind;
    uint64_t nth; // the N-th handle of that kind handed out gets a wrong id
};

// A result the host delivers wrongly, for every row of the statements of a
// kind (or only their N-th fetched row).
struct ResultFault {
    StatementKind statement = StatementKind::Other;
    uint64_t nthRow = 0;   // 0: every row
    int columnDelta = 0;   // columns described in the SQLDA, more or fewer
    int longColumn = -1;   // this column's value is longer than its width...
    int longBy = 0;        // ...by this many bytes
    int nullColumn = -1;   // this column is delivered as null
};

class FaultPlan : public Interceptor {
public:
    void failCall(Operation op, uint64_t nth, int32_t status);
    void failHandle(ObjectKind kind, uint64_t nth);
    void malformResult(const ResultFault& fault);
    // Forgets every fault and every count.
    void clear();

    // Counts a call; returns true with the status to return when it fails.
    bool failCall(Operation op, int32_t& status) override;
    // Counts a handle handed out; true when it must fail its check.
    bool failHandle(ObjectKind kind) override;
    long describedColumns(StatementKind kind, long columns) override;
    void deliverRow(StatementKind kind, uint64_t row, DeliveredRow& cells) override;

    // A module host process carries the plan out for a module running there
    // (fault_plan_codec.cpp): the plan goes along whole, its counts come back.
    std::vector<uint8_t> travellingState() const override;
    void takeCounts(const std::vector<uint8_t>& counts) override;
    // There: the plan as it came, false when the bytes are no plan; and the
    // counts for the way back.
    bool takeState(const std::vector<uint8_t>& state);
    std::vector<uint8_t> counts() const;

    const std::vector<ResultFault>& resultFaults() const { return results_; }

    uint64_t calls(Operation op) const { return calls_[static_cast<size_t>(op)]; }
    uint64_t handles(ObjectKind kind) const { return handles_[static_cast<size_t>(kind)]; }
    // Faults that actually took effect.
    uint64_t injected() const { return injected_; }

private:
    // Carries a plan to a module host process and its counts back.
    friend struct remote::FaultPlanCodec;
    std::vector<CallFault> callFaults_;
    std::vector<HandleFault> handleFaults_;
    std::vector<ResultFault> results_;
    std::array<uint64_t, operationCount> calls_{};
    std::array<uint64_t, objectKindCount> handles_{};
    uint64_t injected_ = 0;
};

// The host's fault plan, installed the first time it is asked for: install
// it before the calls it is to count.
FaultPlan& faults(Host& host);

} // namespace host
