#include "storage/row_index.h"

#include <cstring>

#include "frame/fixed_names.h"
#include "frame/host_services.h"
#include "frame/work_area.h"
#include "records/input_row.h"

namespace zrx {

namespace {

constexpr uint32_t entryCount = rowIndexEntries;

constexpr int32_t detailEntry = -1;

// The anchor in nodeArea: the index reference, then its state.
constexpr int anchorOffset = curNodeOffset + 8;
constexpr int stateOffset = anchorOffset + static_cast<int>(sizeof(RowIndex*));
static_assert(stateOffset < nodeAreaSize);

// indexSpent: the index was given up and its block serves as storage.
enum AnchorState : unsigned char { noIndex = 0, indexBuilt = 0xB1, indexRefused = 0xB0, indexSpent = 0xB2 };

// A spent block begins with the bounds of its free room. Rows are carved
// upwards from the start, each at its alignment, and texts downwards from
// the end, so that no text ever pushes a row off its alignment.
struct SpentBlock {
    uint32_t low;
    uint32_t high;
};
constexpr uint32_t blockSize = sizeof(RowIndex);
static_assert(sizeof(SpentBlock) <= blockSize);

uint64_t mix(uint64_t h, uint64_t v) {
    h = (h ^ v) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 31);
}

uint64_t word(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

uint32_t fold(uint64_t h) { return static_cast<uint32_t>(h ^ (h >> 32)); }

// Four independent lanes over the major name and the 255-byte minor name, a
// word at a time: hashing must stay far cheaper than the comparisons it saves.
uint32_t summaryHash(int enqp, const char (&major)[8], const char (&minor)[255]) {
    constexpr uint64_t k1 = 0x9E3779B97F4A7C15ull, k2 = 0xC2B2AE3D27D4EB4Full, k3 = 0x165667B19E3779F9ull,
                       k4 = 0xD6E8FEB86659FD93ull;
    uint64_t a = mix(0x51ED27u, static_cast<uint64_t>(enqp)) ^ word(major);
    uint64_t b = k1, c = k2, d = k3;
    const char* p = minor;
    for (int i = 0; i < 7; ++i, p += 32) {
        a = (a ^ word(p)) * k1;
        b = (b ^ word(p + 8)) * k2;
        c = (c ^ word(p + 16)) * k3;
        d = (d ^ word(p + 24)) * k4;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, p + 24, 7);
    a = (a ^ word(p)) * k1;
    b = (b ^ word(p + 8)) * k2;
    c = (c ^ word(p + 16)) * k3;
    d = (d ^ tail) * k4;
    return fold(mix(mix(mix(a, b), c), d));
}

// The task as the merge tells tasks apart, under one summary row.
uint32_t detailHash(const SORow* sor, const char (&owningas)[8], const char (&waitingas)[8],
                    const char (&sysname)[8], const char (&plxname)[8], uint16_t asid) {
    uint64_t h = mix(0xD37A11u, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(sor)));
    h = mix(h, word(owningas));
    h = mix(h, word(waitingas));
    h = mix(h, word(sysname));
    h = mix(h, word(plxname));
    return fold(mix(h, asid));
}

uint32_t detailHash(const SORow* sor, const DORow& d) {
    return detailHash(sor, d.owningas, d.waitingas, d.sysname, d.plxname, d.asid);
}

uint32_t detailHash(const SORow* sor, const InputRow& in) {
    return detailHash(sor, in.owningas, in.waitingas, in.sysname, in.plxname, in.asid);
}

} // namespace

namespace {

unsigned char* anchor(workA* w) { return reinterpret_cast<unsigned char*>(w->nodeArea) + anchorOffset; }

unsigned char anchorState(workA* w) { return reinterpret_cast<unsigned char*>(w->nodeArea)[stateOffset]; }

RowIndex* anchoredBlock(workA* w) {
    RowIndex* ix = nullptr;
    std::memcpy(&ix, anchor(w), sizeof ix);
    return ix;
}

void setAnchor(workA* w, RowIndex* ix, AnchorState state) {
    std::memcpy(anchor(w), &ix, sizeof ix);
    reinterpret_cast<unsigned char*>(w->nodeArea)[stateOffset] = state;
}

// The free entry for `hash`, or null when the table is full.
IndexEntry* freeEntry(RowIndex* ix, uint32_t hash) {
    for (uint32_t n = 0, i = hash & (entryCount - 1); n < entryCount; ++n, i = (i + 1) & (entryCount - 1))
        if (!ix->entries[i].row) return &ix->entries[i];
    return nullptr;
}

IndexEntry* insert(RowIndex* ix, void* row, void* link, uint32_t hash, int32_t enqp) {
    IndexEntry* e = freeEntry(ix, hash);
    if (!e) {
        ix->givenUp = true;
        return nullptr;
    }
    *e = IndexEntry{row, link, hash, enqp};
    return e;
}

// Every row already in the lists, in list order.
bool fill(RowIndex* ix, workA* w) {
    for (int p = 0; p < maxENQP; ++p) {
        for (SORow* r = w->Enqplxs[p].SOR1st; r; r = r->SORNxt) {
            IndexEntry* s = addSummary(ix, p, r, summaryHash(p, r->majorname, r->minorname));
            if (!s) return false;
            for (DORow* d = r->DOR1st; d; d = d->DORNxt)
                if (!addDetail(ix, s, d)) return false;
        }
    }
    return true;
}

} // namespace

void resetRowIndex(workA* w) { setAnchor(w, nullptr, noIndex); }

RowIndex* rowIndex(workA* w) {
    if (anchorState(w) != indexBuilt) return nullptr;
    RowIndex* ix = anchoredBlock(w);
    return ix && !ix->givenUp ? ix : nullptr;
}

RowIndex* buildRowIndex(workA* w) {
    if (anchorState(w) != noIndex) return rowIndex(w);
    void* storage = nullptr;
    if (GetViewStorage(w->parmList, static_cast<int32_t>(sizeof(RowIndex)), &storage) != 0 || !storage) {
        setAnchor(w, nullptr, indexRefused);
        return nullptr;
    }
    auto* ix = static_cast<RowIndex*>(storage);
    std::memset(ix, 0, sizeof *ix);
    setAnchor(w, ix, indexBuilt);
    return fill(ix, w) ? ix : nullptr;
}

void* carveRowIndexBlock(workA* w, int32_t size, size_t align, bool& givenUp) {
    givenUp = false;
    const unsigned char state = anchorState(w);
    RowIndex* ix = anchoredBlock(w);
    if ((state != indexBuilt && state != indexSpent) || !ix) return nullptr;
    auto* block = reinterpret_cast<unsigned char*>(ix);
    SpentBlock room;
    if (state == indexBuilt) {
        setAnchor(w, ix, indexSpent);
        givenUp = true;
        room = SpentBlock{sizeof(SpentBlock), blockSize};
    } else {
        std::memcpy(&room, block, sizeof room);
    }
    if (size <= 0 || align == 0 || (align & (align - 1)) != 0 || room.low > room.high ||
        room.high > blockSize) {
        std::memcpy(block, &room, sizeof room);
        return nullptr;
    }
    const auto want = static_cast<uint32_t>(size);
    void* carved = nullptr;
    if (align == 1) {
        if (room.high - room.low >= want) {
            room.high -= want;
            carved = block + room.high;
        }
    } else {
        const uintptr_t base = reinterpret_cast<uintptr_t>(block);
        const uintptr_t start = (base + room.low + (align - 1)) & ~static_cast<uintptr_t>(align - 1);
        const auto offset = static_cast<uint32_t>(start - base);
        if (offset <= room.high && room.high - offset >= want) {
            room.low = offset + want;
            carved = block + offset;
        }
    }
    std::memcpy(block, &room, sizeof room);
    return carved;
}

uint32_t resourceHash(int enqp, const InputRow& in) { return summaryHash(enqp, in.majorname, in.minorname); }

IndexEntry* findSummary(RowIndex* ix, int enqp, const InputRow& in, uint32_t hash, SORow*& last) {
    for (uint32_t n = 0, i = hash & (entryCount - 1); n < entryCount; ++n, i = (i + 1) & (entryCount - 1)) {
        IndexEntry& e = ix->entries[i];
        if (!e.row) break;
        if (e.hash != hash || e.enqp != enqp) continue;
        auto* r = static_cast<SORow*>(e.row);
        if (sameName(r->majorname, in.majorname) && sameName(r->minorname, in.minorname)) return &e;
    }
    last = ix->lastSOR[enqp];
    while (last && last->SORNxt) last = last->SORNxt;
    return nullptr;
}

IndexEntry* addSummary(RowIndex* ix, int enqp, SORow* r, uint32_t hash) {
    DORow* lastDOR = r->DOR1st;
    while (lastDOR && lastDOR->DORNxt) lastDOR = lastDOR->DORNxt;
    IndexEntry* e = insert(ix, r, lastDOR, hash, enqp);
    if (!e) return nullptr;
    ix->lastSOR[enqp] = r;
    return e;
}

DORow* findDetail(RowIndex* ix, IndexEntry* summary, const InputRow& in, DORow*& last) {
    auto* sor = static_cast<SORow*>(summary->row);
    const uint32_t hash = detailHash(sor, in);
    for (uint32_t n = 0, i = hash & (entryCount - 1); n < entryCount; ++n, i = (i + 1) & (entryCount - 1)) {
        IndexEntry& e = ix->entries[i];
        if (!e.row) break;
        if (e.hash != hash || e.enqp != detailEntry || e.link != sor) continue;
        auto* d = static_cast<DORow*>(e.row);
        if (sameName(d->owningas, in.owningas) && sameName(d->waitingas, in.waitingas) &&
            sameName(d->sysname, in.sysname) && sameName(d->plxname, in.plxname) && d->asid == in.asid)
            return d;
    }
    last = static_cast<DORow*>(summary->link);
    if (!last) last = sor->DOR1st;
    while (last && last->DORNxt) last = last->DORNxt;
    return nullptr;
}

bool addDetail(RowIndex* ix, IndexEntry* summary, DORow* d) {
    auto* sor = static_cast<SORow*>(summary->row);
    if (!insert(ix, d, sor, detailHash(sor, *d), detailEntry)) return false;
    summary->link = d;
    return true;
}

} // namespace zrx
