// A small deterministic random source (splitmix64). The generator's output
// must be the same for the same seed on every platform and library version,
// which the standard distributions do not promise.
#pragma once

#include <cstdint>

namespace scenarios {

class SplitMix64 {
public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A value in [0, n); n must be positive. The slight modulo bias is of no
    // concern for synthetic data.
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

    // True with probability num/den.
    bool chance(int num, int den) { return below(den) < num; }

private:
    uint64_t state_;
};

} // namespace scenarios
