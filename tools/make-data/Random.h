#pragma once

#include <cstdint>

// A small xorshift generator. Every generator here seeds its own, so the data comes out the same on
// every run and on every machine, whatever the standard library's distributions do.
class Random {
public:
    explicit Random(uint32_t seed = 0x9e3779b9u) : state(seed ? seed : 1u) {}

    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // Uniform in [0, 1).
    double unit() { return next() / 4294967296.0; }
    // Uniform in [low, high).
    double between(double low, double high) { return low + (high - low) * unit(); }
    // Uniform in [0, count).
    int below(int count) { return static_cast<int>(unit() * count); }
    bool chance(double probability) { return unit() < probability; }

private:
    uint32_t state;
};
