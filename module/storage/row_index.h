// A hash index over the summary rows of every Enqplex and the detail rows of
// every summary row, so that the merge finds a resource or a task without
// walking its list. The lists stay the only record of the rows: the index
// only points into them, and the merge links and orders rows exactly as it
// does without it.
//
// The index is one block of host view storage, asked for once per session
// and only after a walk longer than indexWalkLimit rows; when the host
// refuses it the merge goes on walking the lists. Host storage is never given
// back, so once the host refuses storage for a row or an AT clause, the index
// is given up for good and its block is carved into that storage instead:
// the index must never cost the session a row that it would have had
// without it. Its anchor is kept in the tail of nodeArea, the 11 bytes after
// curNode that nothing reads once the session has started: every other byte
// of the work area has its meaning, and the rows' sizes are fixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records/enqplex_entry.h"
#include "records/output_rows.h"

namespace zrx {

struct workA;
struct InputRow;

// One indexed row. A summary entry links to the last detail row of its
// summary row; a detail entry links to its summary row.
struct IndexEntry {
    void* row;   // SORow or DORow; null: a free entry
    void* link;
    uint32_t hash;
    int32_t enqp; // Enqplex of a summary row; -1 for a detail row
};

// Open addressing with linear probing. Summary and detail rows together never
// exceed the output row limit, so the table is at most 61% full.
inline constexpr uint32_t rowIndexEntries = 16384;
static_assert(rowIndexEntries > static_cast<uint32_t>(maxOutputRows) &&
              (rowIndexEntries & (rowIndexEntries - 1)) == 0);

// The block of view storage that holds the index.
struct RowIndex {
    SORow* lastSOR[maxENQP]; // the tail of each Enqplex's summary list
    bool givenUp;            // a row could not be indexed: the lists are walked again
    IndexEntry entries[rowIndexEntries];
};

// Lists up to this long are walked; the index would not pay for itself.
inline constexpr int indexWalkLimit = 32;

// Forgets any index: each collection starts without one.
void resetRowIndex(workA* w);

// The session's index, or null while there is none (not needed yet,
// refused by the host, or given up).
RowIndex* rowIndex(workA* w);

// Asks the host for the index, once per session, and fills it with every row
// already in the lists. Null when there is no index.
RowIndex* buildRowIndex(workA* w);

// Storage from the index block, for a request the host refused: `size` bytes
// at a multiple of `align` (a power of two; 1 for text). The first call
// gives the index up for good and sets `givenUp`. Null when the session holds
// no block or the block has no such room left.
void* carveRowIndexBlock(workA* w, int32_t size, size_t align, bool& givenUp);

// The hash of the input row's resource in Enqplex `enqp`.
uint32_t resourceHash(int enqp, const InputRow& in);

// The entry of the summary row of the input row's resource (whose hash is
// `hash`) in Enqplex `enqp`, or null; `last` then receives the last summary
// row of that Enqplex.
IndexEntry* findSummary(RowIndex* ix, int enqp, const InputRow& in, uint32_t hash, SORow*& last);
// Indexes a new summary row made from the input row whose resource hash is
// `hash`. Null when the row could not be indexed: the index is then given up.
IndexEntry* addSummary(RowIndex* ix, int enqp, SORow* r, uint32_t hash);

// The detail row of the summary entry's row that records the input row's
// task, or null; `last` receives the last detail row of that summary row.
DORow* findDetail(RowIndex* ix, IndexEntry* summary, const InputRow& in, DORow*& last);
// False when the row could not be indexed: the index is then given up.
bool addDetail(RowIndex* ix, IndexEntry* summary, DORow* d);

} // namespace zrx
