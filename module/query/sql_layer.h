// The SQL request layer: two slots, each a query with its plan, request and
// cursor, prepared and dropped through the host.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

struct workA;

// Prepares every slot whose state asks for it (bit 0x01): plan, request,
// input descriptor, open, output SQLDA. On the first failing step drops
// every prepared request and returns the host's status.
int32_t createReq(workA* w);

// Index of the slot named `name`, or -1.
int32_t Get_SQL(workA* w, const char* name);

// Closes and drops the request and plan of slot `i`, leaving it defined.
int32_t Drop_SQLii(workA* w, int32_t i);

// Drops every slot that holds a prepared request or plan.
int32_t Drop_SQL(workA* w);

// Writes `count` bytes as two upper-case hex digits each, then a NUL.
void sprintx(char* out, const void* bytes, int count);

// Defines `name` in slot w->curSQLslot with its text at w->sqlPtr.
void defineQuery(workA* w, const char* name);

// Frees both slots and empties the SQL text, ready for a first query.
void resetQueries(workA* w);

} // namespace zrx

namespace zrx {
// snprintf(out, room, format, arg) for a format whose one conversion, if
// any, is "%s", with the same result and the same bytes written.
int formatOne(char* out, std::size_t room, const char* format, const char* arg);

// Writes `format` with `arg` for its one "%s" at w->sqlPtr, bounded by the
// SQL text buffer. Returns the text's length, or -1 when it would not fit.
int32_t writeQueryText(workA* w, const char* format, const char* arg);
} // namespace zrx
