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

inline constexpr int32_t timelineEndMs = 136000;

// One row of the schedule: a scene's draw, called in every frame whose time lies in the window,
// and its load, called once at start-up (rows load in table order).
struct ScheduleRow {
    TimeWindow window;
    void (*draw)(float progress);
    void (*load)();
};

inline constexpr int scheduleRowCount = 6;
extern const ScheduleRow schedule[scheduleRowCount];
