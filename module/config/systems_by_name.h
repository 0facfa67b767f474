// The Systems of the Enqplex table by name, so that a name is found in a
// probe or two instead of a walk over every Enqplex's Systems: discovery
// runs in every session, and such walks grew with the square of the
// Systems. Places are e * maxSystems + l; a name held in several places is
// found in each of them.
#pragma once

#include <cstdint>
#include <cstring>

#include "frame/fixed_names.h"
#include "frame/work_area.h"

namespace zrx {

class SystemsByName {
public:
    // The places the table holds now: those below numSys of the entries
    // below numEnqplexes.
    explicit SystemsByName(workA* w) : w_(w) {
        for (auto& slot : slots_) slot = empty;
        for (int e = 0; e < w->numEnqplexes && e < maxENQP; ++e) {
            const EnqplxEntry& entry = w->Enqplxs[e];
            for (int l = 0; l < entry.numSys && l < maxSystems; ++l) add(e, l);
        }
    }

    // Notes place l of entry e, named already; each place once.
    void add(int e, int l) {
        unsigned i = home(w_->Enqplxs[e].SysNames[l]);
        while (slots_[i] != empty) i = (i + 1) % size;
        slots_[i] = static_cast<uint16_t>(e * maxSystems + l);
    }

    // Calls `f(entry, l)` for each System named `name`.
    template <class F>
    void forEach(const char (&name)[8], F f) const {
        for (unsigned i = home(name); slots_[i] != empty; i = (i + 1) % size) {
            EnqplxEntry& entry = w_->Enqplxs[slots_[i] / maxSystems];
            const int l = slots_[i] % maxSystems;
            if (sameName(entry.SysNames[l], name)) f(entry, l);
        }
    }

    int count(const char (&name)[8]) const {
        int n = 0;
        forEach(name, [&](EnqplxEntry&, int) { ++n; });
        return n;
    }

private:
    static constexpr unsigned size = 2 * maxENQP * maxSystems; // never more than half full
    static constexpr uint16_t empty = 0xFFFF;
    static_assert(size <= empty);

    static unsigned home(const char (&name)[8]) {
        uint64_t bits;
        std::memcpy(&bits, name, sizeof bits);
        return static_cast<unsigned>((bits * 0x9E3779B97F4A7C15ull) >> 54) % size;
    }

    workA* w_;
    uint16_t slots_[size];
};

} // namespace zrx
