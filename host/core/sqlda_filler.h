// Builds a cursor's output SQLDA from the result's declared columns and
// refills it for every fetched row, as the host's interceptor may alter it.
#pragma once

#include <vector>

#include "core/session_objects.h"
#include "sql/query.h"

namespace host {

void describeColumns(CursorObject& cursor, const std::vector<sql::ColumnSpec>& columns);
void fillRow(CursorObject& cursor, const std::vector<sql::Cell>& row);
// Points the entries back at the cursor's own buffers, as null, before the
// result whose cells they designate goes away.
void detachRow(CursorObject& cursor);

} // namespace host
