#include "Noise.h"

#include "Random.h"

#include <cmath>
#include <utility>

namespace {

const double pi = 3.14159265358979323846;

// Perlin's quintic fade: smooth in its first and second derivatives at the lattice.
double fade(double t) {
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

int wrap(int i, int period) {
    const int r = i % period;
    return r < 0 ? r + period : r;
}

} // namespace

TilingNoise::TilingNoise(uint32_t seed) {
    Random random(seed);
    for (int i = 0; i < 256; ++i) permutation[i] = static_cast<uint8_t>(i);
    for (int i = 255; i > 0; --i) std::swap(permutation[i], permutation[random.below(i + 1)]);
    for (int i = 0; i < 256; ++i) permutation[256 + i] = permutation[i];
}

double TilingNoise::gradientDot(int i, int j, int period, double dx, double dy) const {
    const int hash = permutation[permutation[wrap(i, period) & 255] + (wrap(j, period) & 255)];
    const double angle = hash * (2.0 * pi / 256.0);
    return std::cos(angle) * dx + std::sin(angle) * dy;
}

double TilingNoise::at(double x, double y, int period) const {
    const double cellX = std::floor(x), cellY = std::floor(y);
    const int i = static_cast<int>(cellX), j = static_cast<int>(cellY);
    const double fx = x - cellX, fy = y - cellY;
    const double u = fade(fx), v = fade(fy);
    const double bottom =
        lerp(gradientDot(i, j, period, fx, fy), gradientDot(i + 1, j, period, fx - 1.0, fy), u);
    const double top = lerp(gradientDot(i, j + 1, period, fx, fy - 1.0),
                            gradientDot(i + 1, j + 1, period, fx - 1.0, fy - 1.0), u);
    // Gradient noise peaks at about 1 / sqrt(2); scale it to about -1 ... 1.
    return 1.41421356 * lerp(bottom, top, v);
}

double TilingNoise::fractal(double x, double y, int period, int octaves) const {
    double sum = 0.0, amplitude = 1.0, total = 0.0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * at(x, y, period);
        total += amplitude;
        x *= 2.0;
        y *= 2.0;
        period *= 2;
        amplitude *= 0.5;
    }
    return sum / total;
}
