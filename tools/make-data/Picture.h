#pragma once

#include <cstdint>
#include <vector>

// A picture ready for encoding: 8-bit red, green, blue, rows top first, no padding.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};
