#pragma once

#include <cstdint>

// Frame n of a recording at fps frames per second shows the instant round(n * 1000 / fps) ms.
int32_t instantOfFrame(int64_t n, int fps);

// The frames whose instants lie in [fromMs, toMs): a recording from..to lasts exactly to - from.
struct FrameRange {
    int64_t first = 0;
    int64_t count = 0;
};
FrameRange framesBetween(int32_t fromMs, int32_t toMs, int fps);
