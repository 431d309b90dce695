#pragma once

#include "app/Timeline.h"

#include <cstdint>

// The frames whose instants lie in [fromMs, toMs): a recording from..to lasts exactly to - from.
struct FrameRange {
    int64_t first = 0;
    int64_t count = 0;
};
FrameRange framesBetween(int32_t fromMs, int32_t toMs, int fps);
