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

// Frame n of a recording at fps frames per second shows the instant round(n * 1000 / fps) ms.
int32_t instantOfFrame(int64_t n, int fps);
// The instant of the frame `frames` frames on from ms (back when negative) in a recording at fps:
// from an instant between two frames, one frame on is the next of them.
int32_t frameStep(int32_t ms, int frames, int fps);

// One row of the schedule: a scene's draw, called in every frame whose time lies in the window,
// and its load, called once at start-up (rows load in table order).
struct ScheduleRow {
    TimeWindow window;
    void (*draw)(float progress);
    void (*load)();
};

inline constexpr int scheduleRowCount = 6;
extern const ScheduleRow schedule[scheduleRowCount];

// The show's scenes as a viewer finds them on a seek bar: the figure row's two shots apart, the
// banner alone between the shots, the credits.
struct Chapter {
    int32_t startMs;
    const char* name;
};
inline constexpr int chapterCount = 8;
extern const Chapter chapters[chapterCount];
