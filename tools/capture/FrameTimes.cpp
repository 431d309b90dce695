#include "FrameTimes.h"

#include <cmath>

FrameRange framesBetween(int32_t fromMs, int32_t toMs, int fps) {
    // Start a frame early and step forward: rounding decides the exact first frame.
    int64_t first = static_cast<int64_t>(std::floor(double(fromMs) * fps / 1000.0)) - 1;
    while (instantOfFrame(first, fps) < fromMs) ++first;
    int64_t end = first;
    while (instantOfFrame(end, fps) < toMs) ++end;
    return {first, end - first};
}
