// A way into the host's work from outside it: an operation that fails, a
// handle that fails its check, a result delivered otherwise. The data server
// itself installs none; the fault plan of the test library is one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/operations.h"
#include "core/statement_kind.h"

namespace host {

// One fetched row as the cursor's SQLDA designates it, before the module
// reads it.
class DeliveredRow {
public:
    virtual size_t columns() const = 0;
    virtual bool isNull(size_t column) const = 0;
    virtual void setNull(size_t column) = 0;
    // The column's value, `bytes` characters longer.
    virtual void lengthen(size_t column, size_t bytes) = 0;

protected:
    ~DeliveredRow() = default;
};

class Interceptor {
public:
    virtual ~Interceptor() = default;
    // Before every operation: true, with the status to return, to fail it.
    virtual bool failCall(Operation op, int32_t& status) = 0;
    // For every handle handed out: true when it must fail its check.
    virtual bool failHandle(ObjectKind kind) = 0;
    // The columns to describe for a result of a statement of `kind` that
    // has `columns` (never fewer than 0).
    virtual long describedColumns(StatementKind kind, long columns) = 0;
    // After row `row` (from 1) of a statement of `kind` was filled in.
    virtual void deliverRow(StatementKind kind, uint64_t row, DeliveredRow& cells) = 0;

    // A module that runs in a module host process meets the host's work
    // there: the interceptor's state goes along with every call (nothing
    // goes when it is empty) and what it counted there comes back.
    virtual std::vector<uint8_t> travellingState() const { return {}; }
    virtual void takeCounts(const std::vector<uint8_t>& counts) { static_cast<void>(counts); }
};

} // namespace host
