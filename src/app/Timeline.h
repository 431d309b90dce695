#pragma once

#include <cstdint>

// An inclusive span of the timeline, in milliseconds.
struct TimeWindow {
    int32_t start;
    int32_t end;
};

bool inWindow(int32_t t, TimeWindow window);
// 0 at or before the start, 1 at or after the end, the fraction of the span in between.
float progress(int32_t t, TimeWindow window);

// Milliseconds from one tick to another, right across the 32-bit wrap of the tick count.
inline int32_t ticksBetween(uint32_t from, uint32_t to) {
    return static_cast<int32_t>(to - from);
}

inline constexpr int32_t timelineEndMs = 136000;

// One row of the schedule: a scene's draw, called in every frame whose time lies in the window.
struct ScheduleRow {
    TimeWindow window;
    void (*draw)(float progress);
};

inline constexpr int scheduleRowCount = 6;
extern const ScheduleRow schedule[scheduleRowCount];

// The milliseconds since playback started, as of the frame being drawn.
extern int32_t elapsedMs;
