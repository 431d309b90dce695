#pragma once

#include <array>
#include <cstdint>

// Smooth gradient noise on a lattice that repeats every `period` cells in x and in y, so that
// pictures made from it tile without a seam.
class TilingNoise {
public:
    explicit TilingNoise(uint32_t seed);

    // About -1 ... 1 at (x, y) in lattice cells.
    double at(double x, double y, int period) const;
    // Octaves of at(), each with twice the frequency and half the amplitude of the one before;
    // about -1 ... 1.
    double fractal(double x, double y, int period, int octaves) const;

private:
    double gradientDot(int i, int j, int period, double dx, double dy) const;
    std::array<uint8_t, 512> permutation;
};
