#pragma once

#include <cstdint>

#ifndef DEMO_FULLSCREEN
#define DEMO_FULLSCREEN 1
#endif

// Fixed when the program is built: a windowed build is one CMake flag away (-DDEMO_FULLSCREEN=OFF).
struct DisplaySettings {
    int32_t width;
    int32_t height;
    bool fullscreen;
};

inline constexpr DisplaySettings displaySettings{1024, 768, DEMO_FULLSCREEN != 0};
