// View storage for the session's rows and AT clauses. The host is asked
// first; when it refuses (any status but a failed handle check, or success
// without an address) and the session holds the row index's block, the
// storage is carved from that block instead (storage/row_index.h), so the
// index never takes storage that a row would have had without it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

struct workA;
class Trace;

// GetViewStorage of `size` bytes at a multiple of `align` (1 for text). 0
// with the storage in `out`, or the host's status with `out` null. The
// detail trace of `t` notes the moment the index is given up.
int32_t obtainViewStorage(workA* w, Trace& t, int32_t size, size_t align, void** out);

} // namespace zrx
