#include "assets/Srgb.h"

#include <algorithm>
#include <cmath>

namespace {

struct Codes {
    float linear[256];
    Codes() {
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            linear[v] =
                static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
    }
};
// Made on first use, so that other globals may convert while they are constructed.
const Codes& codes() {
    static const Codes table;
    return table;
}

} // namespace

float linearFromSrgb(uint8_t code) {
    return codes().linear[code];
}

uint8_t srgbFromLinear(float linear) {
    const float* const table = codes().linear;
    // The curve rises throughout: the nearest code is one of the two around the value.
    const float* above = std::lower_bound(table, table + 256, linear);
    if (above == table) return 0;
    if (above == table + 256) return 255;
    const float* below = above - 1;
    return static_cast<uint8_t>((linear - *below <= *above - linear ? below : above) - table);
}

float relativeLuminance(uint8_t r, uint8_t g, uint8_t b) {
    const float* const table = codes().linear;
    return 0.2126f * table[r] + 0.7152f * table[g] + 0.0722f * table[b];
}
