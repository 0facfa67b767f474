// Builds a cursor's output SQLDA from the result's declared columns and
// refills it for every fetched row, applying the result faults of the plan.
#pragma once

#include <vector>

#include "core/fault_plan.h"
#include "core/session_objects.h"
#include "sql/query.h"

namespace host {

void describeColumns(CursorObject& cursor, const std::vector<sql::ColumnSpec>& columns);
void fillRow(CursorObject& cursor, const std::vector<sql::Cell>& row, FaultPlan& faults);
// Points the entries back at the cursor's own buffers, as null, before the
// result whose cells they designate goes away.
void detachRow(CursorObject& cursor);

} // namespace host
